// What the Box client reads from the replies of uploads: the new file's id, an upload session
// and an uploaded part. A reply without what the upload needs fails with ApiException
// "<place> ...", so that an upload never goes on with a guess.
#pragma once

#include "BoxUploadRecords.h"
#include "StdString.h"

#include <json/value.h>

#include <cstdint>
#include <string>

namespace Box_20 {

// An upload session as Box created it.
struct UploadSessionRecord {
    CStdStr<wchar_t> Id;
    // Every part but the last has exactly this size.
    int64_t PartSize = 0;
    // Absolute addresses Box gives for the session's parts, commit and abort.
    CStdStr<wchar_t> UploadPartUrl;
    CStdStr<wchar_t> CommitUrl;
    CStdStr<wchar_t> AbortUrl;
};

// The largest part the client takes on; Box's own part sizes stay far below it.
inline constexpr int64_t kMaxUploadPartSize = 256LL * 1024 * 1024;

// "id" of the first of "entries" (the reply of a standard upload and of a commit).
CStdStr<wchar_t> GetUploadedFileId(const Json::Value& reply, const std::wstring& place);

// The session reply: "id", "part_size" (1 to kMaxUploadPartSize) and "session_endpoints".
UploadSessionRecord ReadUploadSession(const Json::Value& reply, const std::wstring& place);

// The "part" of a part reply, as the commit lists it again.
UploadPartRecord ReadUploadedPart(const Json::Value& reply, const std::wstring& place);

} // namespace Box_20
