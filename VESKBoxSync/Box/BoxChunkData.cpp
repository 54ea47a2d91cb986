#include "BoxChunkData.h"

#include "BoxUploadBodyStream.h"
#include "HResultException.h"

#include <algorithm>
#include <string>

namespace Box_20 {

ChunkSource::ChunkSource(const UploadFileRecord& record, std::wstring place)
    : m_file(std::make_shared<LocalUploadFile>(record.LocalPath, record.Size, std::move(place)))
{
}

CLSHash::Sha1Digest ChunkSource::HashPart(const ChunkDataType& part)
{
    CLSSha1Stream partHash;
    // Only a part that continues the hashed run extends it; any other leaves the file digest
    // unfinished rather than wrong.
    const bool continuesFile = static_cast<uint64_t>(part.Offset) == m_hashedBytes;
    m_file->ReadInBlocks(static_cast<uint64_t>(part.Offset), static_cast<uint64_t>(part.Size),
                         [&](const BYTE* bytes, size_t count) {
                             partHash.Add(bytes, count);
                             if (continuesFile)
                                 m_fileHash.Add(bytes, count);
                         });
    if (continuesFile)
        m_hashedBytes += part.Size;
    return partHash.Finish();
}

_variant_t ChunkSource::PartBody(const ChunkDataType& part) const
{
    return MakeUploadBodyStream(m_file, static_cast<uint64_t>(part.Offset), static_cast<uint64_t>(part.Size));
}

CLSHash::Sha1Digest ChunkSource::FileDigest()
{
    if (m_hashedBytes != m_file->Size())
        throw hresult_exception(E_UNEXPECTED, "Box_20::ChunkSource: the file digest needs every part read in order");
    return m_fileHash.Finish();
}

ChunkDataType CreateChunkData(int64_t index, int64_t partSize, const ChunkSource& source)
{
    const int64_t total = static_cast<int64_t>(source.Size());
    if (total < 1 || partSize < 1 || index < 0 || index > (total - 1) / partSize)
        throw hresult_exception(E_INVALIDARG, "Box_20::CreateChunkData: no part " + std::to_string(index) +
                                                  " of size " + std::to_string(partSize) + " in a file of " +
                                                  std::to_string(total) + " bytes");
    ChunkDataType chunk;
    chunk.Offset = index * partSize;
    chunk.Size = std::min(partSize, total - chunk.Offset);
    chunk.Last = chunk.Offset + chunk.Size - 1;
    chunk.Total = total;
    return chunk;
}

} // namespace Box_20
