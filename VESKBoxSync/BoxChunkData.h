// The parts of a session upload, read from the local file. Parts read in order also feed the
// whole file's SHA-1, so the commit's digest needs no second pass over the file.
#pragma once

#include "BoxLocalUploadFile.h"
#include "BoxUploadRecords.h"
#include "LSHash.h"

#include <cstdint>
#include <memory>
#include <string>

namespace Box_20 {

class ChunkSource {
public:
    // Opens the record's local file; throws ApiException "<place> ..." when it cannot be read or
    // does not hold the record's size.
    ChunkSource(const UploadFileRecord& record, std::wstring place);

    uint64_t Size() const { return m_file.Size(); }

    // Reads count bytes at offset; throws ApiException when the file gives fewer.
    void Read(uint64_t offset, BYTE* bytes, size_t count);

    // The whole file's SHA-1. Throws hresult_exception E_UNEXPECTED unless every byte was read,
    // in order.
    CLSHash::Sha1Digest FileDigest();

private:
    LocalUploadFile m_file;
    CLSSha1Stream m_fileHash;
    uint64_t m_hashedBytes = 0;
};

// Part `index` of the file, parts being partSize bytes and the last one what remains: its
// offset, last byte, size, the file's size and the bytes read from the file. Throws
// hresult_exception E_INVALIDARG for a part size below 1 or a part beyond the file, and what
// ChunkSource::Read throws.
std::shared_ptr<ChunkDataType> CreateChunkData(int64_t index, int64_t partSize, ChunkSource& source);

} // namespace Box_20
