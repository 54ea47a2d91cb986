// What a part or the commit of a session upload sends, with the SHA-1 digests Box checks them by
// ("digest: sha=<Base64 SHA-1>"), and the digest text of a standard upload.
#pragma once

#include "BoxUploadRecords.h"
#include "ComDef.h"
#include "LSHash.h"
#include "StdString.h"

namespace Box_20 {

struct ChunkRequestDescription {
    _variant_t Body;
    _bstr_t ContentType;
    // "sha=" and the Base64 SHA-1 of the part's bytes, or of the whole file for the commit.
    CStdStr<wchar_t> Digest;
    // "bytes <first>-<last>/<total>" for a part; empty for the commit.
    CStdStr<wchar_t> ContentRange;
};

// The 20 digest bytes in Base64 (RFC 4648, "=" padding, no line breaks): 28 characters.
CStdStr<wchar_t> Base64Digest(const CLSHash::Sha1Digest& digest);

// The 20 digest bytes as 40 lower-case hexadecimal digits: how Box takes the file's SHA-1 in the
// "content-md5" header of a standard upload.
CStdStr<wchar_t> HexDigest(const CLSHash::Sha1Digest& digest);

// A part: its body (read from the file as it is sent), "application/octet-stream", the digest of
// its bytes and its byte range.
ChunkRequestDescription GetPartDigestHeader(const ChunkDataType& part, const CLSHash::Sha1Digest& partDigest,
                                            _variant_t body);

// The commit: its JSON body (the uploaded parts), "application/json" and the whole file's digest.
ChunkRequestDescription GetCommitDigestHeader(const CLSHash::Sha1Digest& fileDigest,
                                              const CStdStr<wchar_t>& commitBody);

} // namespace Box_20
