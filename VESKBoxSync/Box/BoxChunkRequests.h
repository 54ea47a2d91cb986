// The requests of a session upload that do not go through the call loop: each part and the commit
// is sent once, and again only after a 401 once the tokens are renewed; the session's abort is a
// best-effort clean-up.
#pragma once

#include "BoxDigests.h"
#include "StdString.h"
#include "VESKSyncBasicsLib.h"

#include <json/value.h>

#include <cstdint>

namespace Box_20 {

struct ChunkReply {
    // 200 to 299; 202 for a commit whose parts Box is still processing.
    long Status = 0;
    // The Retry-After of a 202, in seconds; 0 when Box gave none.
    int32_t RetryAfterSeconds = 0;
    // The parsed reply; null for a 202.
    Json::Value Reply;
};

// Sends a part ("PUT" to the session's part address) or the commit ("POST" to its commit address)
// with "Authorization", "Auth-Type", "Content-Range" (parts only), "Content-Type" and "digest".
// A 401 renews the tokens as the call loop does and sends the request once more. Throws the
// LSHttpError of any other failure status (and of a second 401), ApiException when the request
// cannot be opened or a reply other than 202 is no JSON, the bare HRESULT E_ABORT when the
// informer asks to stop.
ChunkReply CallBoxAPIChunkUpload(ILSShutdownInformer* informer, const CStdStr<wchar_t>& url,
                                 const CStdStr<wchar_t>& method, const ChunkRequestDescription& description);

// Sends "DELETE" to the session's abort address so that Box drops the parts it holds. Waits a
// bounded time, whether or not the host is shutting down (the upload may be ending because it
// is). Failures are only logged: Box also drops a session by itself after some days.
void AbortUploadSession(const CStdStr<wchar_t>& abortUrl) noexcept;

} // namespace Box_20
