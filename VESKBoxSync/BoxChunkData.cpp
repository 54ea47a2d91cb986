#include "BoxChunkData.h"

#include "HResultException.h"

#include <algorithm>
#include <limits>
#include <string>

namespace Box_20 {

ChunkSource::ChunkSource(const UploadFileRecord& record, std::wstring place)
    : m_file(record.LocalPath, record.Size, std::move(place))
{
}

void ChunkSource::Read(uint64_t offset, BYTE* bytes, size_t count)
{
    m_file.ReadAt(offset, bytes, count);
    // Only a part that continues the hashed run extends it; any other read leaves the file
    // digest unfinished rather than wrong.
    if (offset == m_hashedBytes) {
        m_fileHash.Add(bytes, count);
        m_hashedBytes += count;
    }
}

CLSHash::Sha1Digest ChunkSource::FileDigest()
{
    if (m_hashedBytes != m_file.Size())
        throw hresult_exception(E_UNEXPECTED, "Box_20::ChunkSource: the file digest needs every part read in order");
    return m_fileHash.Finish();
}

std::shared_ptr<ChunkDataType> CreateChunkData(int64_t index, int64_t partSize, ChunkSource& source)
{
    const int64_t total = static_cast<int64_t>(source.Size());
    if (total < 1 || partSize < 1 || index < 0 || index > (total - 1) / partSize)
        throw hresult_exception(E_INVALIDARG, "Box_20::CreateChunkData: no part " + std::to_string(index) +
                                                  " of size " + std::to_string(partSize) + " in a file of " +
                                                  std::to_string(total) + " bytes");
    auto chunk = std::make_shared<ChunkDataType>();
    chunk->Offset = index * partSize;
    chunk->Size = std::min(partSize, total - chunk->Offset);
    chunk->Last = chunk->Offset + chunk->Size - 1;
    if (static_cast<uint64_t>(chunk->Size) > std::numeric_limits<size_t>::max())
        throw hresult_exception(E_INVALIDARG, "Box_20::CreateChunkData: a part of " + std::to_string(chunk->Size) +
                                                  " bytes does not fit in memory");
    chunk->Total = total;
    chunk->Bytes = std::make_shared<ByteBuffer>(static_cast<size_t>(chunk->Size));
    source.Read(static_cast<uint64_t>(chunk->Offset), chunk->Bytes->data(), chunk->Bytes->size());
    return chunk;
}

} // namespace Box_20
