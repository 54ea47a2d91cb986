// The parts of a session upload, read from the local file. A part is read twice, 1 MiB at a time:
// once for its digest (which Box wants before the bytes), once while it is sent. Parts hashed in
// order also feed the whole file's SHA-1, so the commit's digest needs no pass of its own.
#pragma once

#include "BoxLocalUploadFile.h"
#include "BoxUploadRecords.h"
#include "ComDef.h"
#include "LSHash.h"

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

namespace Box_20 {

class ChunkSource {
public:
    // Opens the record's local file; throws ApiException "<place> ..." when it cannot be read or
    // does not hold the record's size.
    ChunkSource(const UploadFileRecord& record, std::wstring place);

    uint64_t Size() const { return m_file->Size(); }

    // The SHA-1 of the part's bytes. Throws ApiException when the file gives fewer.
    CLSHash::Sha1Digest HashPart(const ChunkDataType& part);

    // The part's bytes as a request body that reads them from the file as they are sent.
    _variant_t PartBody(const ChunkDataType& part) const;

    // The whole file's SHA-1. Throws hresult_exception E_UNEXPECTED unless every part was hashed,
    // in order.
    CLSHash::Sha1Digest FileDigest();

private:
    std::shared_ptr<LocalUploadFile> m_file;
    CLSSha1Stream m_fileHash;
    uint64_t m_hashedBytes = 0;
};

// Part `index` of the file, parts being partSize bytes and the last one what remains: its offset,
// last byte, size and the file's size. Throws hresult_exception E_INVALIDARG for a part size
// below 1 or a part beyond the file.
ChunkDataType CreateChunkData(int64_t index, int64_t partSize, const ChunkSource& source);

} // namespace Box_20
