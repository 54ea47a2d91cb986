// The one road of every Box API request (except the token request and the parts and commit of a
// chunked upload): send with the cached bearer token, refresh it after a 401, repeat after 500
// and 502, and after 429 and 503 that carry a Retry-After once it has passed (at most a minute),
// at most six sends in all.
#pragma once

#include "BoxRecords.h"
#include "ComDef.h"
#include "ILSHttpRequest.h"
#include "StdString.h"
#include "VESKSyncBasicsLib.h"

#include <json/value.h>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace Box_20 {

// A bodiless request begun ahead of its call (the next page of a listing), so that its reply
// travels while the caller is busy; the call takes it as its first send.
struct BoxStartedRequest {
    std::unique_ptr<ILSHttpRequest> Request;
    // The token it went with: one renewed meanwhile makes the call send afresh.
    CStdStr<wchar_t> AccessToken;
};

// Begins the request; never throws: a request that could not begin is sent by the call as usual.
BoxStartedRequest StartBoxRequest(const CStdStr<wchar_t>& url, ILSShutdownInformer* informer,
                                  const CStdStr<wchar_t>& method);

// For listings, searches, uploads, metadata and the preflight: a failed request throws
// ApiException with Box's error text (recorded as a sync issue on propertyMap when one is given),
// and a reply that is no JSON throws ApiException "... failed to parse response". extraHeaders
// follow the call loop's own.
Json::Value CallBoxAPIWithRichErrorLogging(ILSPropertyMap* propertyMap, ILSShutdownInformer* informer,
                                           const CStdStr<wchar_t>& url, const CStdStr<wchar_t>& method,
                                           const _variant_t& body, bool multipart,
                                           const LSHttpHeaderList& extraHeaders = {});

// The same call for a bodiless request, with the reply's bytes left unparsed so that the caller
// may look at them first; ParseRichReply then parses them as the call above does. started: the
// same request begun ahead, or null; its failures, retries and cancellation are the call's.
std::string CallBoxAPIForReplyBytes(ILSPropertyMap* propertyMap, ILSShutdownInformer* informer,
                                    const CStdStr<wchar_t>& url, const CStdStr<wchar_t>& method,
                                    BoxStartedRequest* started);
Json::Value ParseRichReply(std::string_view bytes);

// For single operations: a failed request throws its LSHttpError; a reply that is no JSON (an
// empty one included) is logged and gives a null value.
Json::Value CallBoxAPI(const CStdStr<wchar_t>& url, ILSShutdownInformer* informer, const CStdStr<wchar_t>& method,
                       const _variant_t& body, bool multipart);

// The content type of the JSON Patch that updates a metadata instance.
inline constexpr wchar_t kJsonPatchContentType[] = L"application/json-patch+json";

// The loop itself. On return the owner holds the request whose reply succeeded. Throws the last
// LSHttpError, what RenewTokensAfterUnauthorized throws when the refresh lock cannot be had (E_ABORT
// for a shutdown while it waits), and what the send and the token cache throw. contentType, when
// given, replaces the one multipart selects; extraHeaders follow "Content-Type".
void CallBoxAPIWithRetry(std::unique_ptr<ILSHttpRequest>& request, const CStdStr<wchar_t>& url,
                         ILSShutdownInformer* informer, const CStdStr<wchar_t>& method, const _variant_t& body,
                         bool multipart, BoxStartedRequest* started = nullptr, const wchar_t* contentType = nullptr,
                         const LSHttpHeaderList& extraHeaders = {});

// A new request, opened asynchronously without credentials: the one way every Box request,
// token requests and upload parts included, starts. Throws ApiException "<place> <condition>"
// when it cannot be opened.
std::unique_ptr<ILSHttpRequest> OpenBoxRequest(const CStdStr<wchar_t>& method, const CStdStr<wchar_t>& url,
                                               const std::wstring& place,
                                               const wchar_t* condition = L"Failed to open request object");

// One send on a new request, which replaces the one the owner held. Throws ApiException when the
// request cannot be opened, LSHttpError for a status outside 200 to 299.
void PerformASyncSend(std::unique_ptr<ILSHttpRequest>& request, const CStdStr<wchar_t>& url,
                      ILSShutdownInformer* informer, const CStdStr<wchar_t>& method, const _variant_t& body,
                      bool multipart, const wchar_t* contentType = nullptr,
                      const LSHttpHeaderList& extraHeaders = {});

// After a 401: renews the tokens under the process's refresh lock, unless another caller renewed
// them since tokensOfAttempt were read (attempt only goes into the log). A refresh token that Box
// refuses (400) clears the cache. While another thread refreshes, waits for it as for a request
// (LSRequestLock). Throws what the refresh throws, the bare HRESULT E_ABORT for a shutdown while
// waiting for the lock, hresult_exception HRESULT_FROM_WIN32(ERROR_TIMEOUT) when the other thread
// keeps the lock past the wait's bound, and hresult_exception E_FAIL "Blocked from accessing Box
// tokens, ..." when called from a window message that a refresh on the same thread dispatches. The
// parts and the commit of a session upload, sent outside the loop, renew their tokens through it too.
void RenewTokensAfterUnauthorized(const RefreshTokensType& tokensOfAttempt, int32_t attempt,
                                  ILSShutdownInformer* informer);

// "Authorization: Bearer <token>", then "Auth-Type: OAUTH2".
void SetAuthHeaders(ILSHttpRequest& request, const std::wstring& accessToken);

} // namespace Box_20
