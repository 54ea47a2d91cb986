#include "BoxCallLoop.h"

#include "BoxErrors.h"
#include "BoxExceptions.h"
#include "BoxRecords.h"
#include "BoxRequestBodies.h"
#include "BoxTokenCache.h"
#include "BoxTokenLocks.h"
#include "BoxTokenRequests.h"
#include "BstrText.h"
#include "HResultException.h"
#include "LSBaseJsonWS.h"
#include "LSCancelCheck.h"
#include "LSCancellableWait.h"
#include "LSDiag.h"
#include "LSHttpError.h"
#include "LSHttpRequestFactory.h"
#include "LSHttpStatus.h"
#include "LSResources.h"
#include "Utf8Converter.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <optional>

namespace Box_20 {

namespace {

constexpr int32_t kLastAttempt = 5;
constexpr std::chrono::milliseconds kPauseAfterRefresh{500};
constexpr std::chrono::milliseconds kPauseBeforeServerRetry{200};
constexpr char kRefreshWaitTimedOutText[] = "Gave up waiting for another thread's refresh of the Box tokens";
constexpr UINT kSchemaValidationFailedString = 4259;
constexpr wchar_t kSchemaValidationFailed[] = L"schema_validation_failed";

CStdStr<wchar_t> ResponseText(const ILSHttpRequest& request)
{
    return BstrText(request.GetResponseText());
}

// Only one caller refreshes at a time; the others wait for it as for a request. A refresh
// dispatches its thread's window messages: a handler that meets a 401 meanwhile fails at once
// rather than wait for its own thread.
class RefreshLock {
public:
    explicit RefreshLock(ILSShutdownInformer* informer)
    {
        switch (BoxTokenRefreshLock.Acquire(MakeCancelCheck(informer))) {
        case LSLockResult::Taken:
            return;
        case LSLockResult::HeldByThisThread:
            LOG(ERROR) << "Box_20::RenewTokensAfterUnauthorized: called again while this thread refreshes";
            throw hresult_exception(E_FAIL, kTokensBlockedText);
        case LSLockResult::Cancelled:
            LS_DIAG_LOG(1) << "Aborting waiting for tokens ";
            throw E_ABORT;
        case LSLockResult::TimedOut:
            LOG(ERROR) << "Box_20::RenewTokensAfterUnauthorized: " << kRefreshWaitTimedOutText;
            throw hresult_exception(HRESULT_FROM_WIN32(ERROR_TIMEOUT), kRefreshWaitTimedOutText);
        }
    }
    ~RefreshLock() { BoxTokenRefreshLock.Release(); }
    RefreshLock(const RefreshLock&) = delete;
    RefreshLock& operator=(const RefreshLock&) = delete;
};

// The call loop's pauses end early, with E_ABORT, when the host shuts down.
template <typename Duration>
void PauseUnlessShuttingDown(Duration pause, ILSShutdownInformer* informer)
{
    if (!SleepPumpingMessages(std::chrono::duration_cast<std::chrono::milliseconds>(pause), MakeCancelCheck(informer)))
        throw E_ABORT;
}

// Box throttles with 429 and sheds load with 503; with a Retry-After the request may come back
// then, waiting at most a minute.
std::optional<std::chrono::seconds> ThrottledWait(const LSHttpError& error)
{
    const bool throttled = error.GetStatus() == LSHttpStatus::kTooManyRequests || error.GetStatus() == LSHttpStatus::kServiceUnavailable;
    if (!throttled || error.GetRetryAfterSeconds() <= 0)
        return std::nullopt;
    return std::chrono::seconds(
        std::min<int32_t>(error.GetRetryAfterSeconds(), static_cast<int32_t>(CLSBaseWS::kMaxRetryAfterWaitSeconds)));
}

// A status other than 401: log Box's reply, then repeat after a server error, else give up.
void HandleFailedStatus(const LSHttpError& error, const std::unique_ptr<ILSHttpRequest>& request,
                        ILSShutdownInformer* informer)
{
    const CStdStr<wchar_t> text = request ? ResponseText(*request) : CStdStr<wchar_t>();
    if (!text.empty()) {
        LOG(ERROR) << ":Response : " << WideToUtf8Lossy(text) << "\n";
        if (text.find(kSchemaValidationFailed) != std::wstring::npos) {
            CStdStr<wchar_t> explanation;
            LoadResourceString(kSchemaValidationFailedString, explanation);
            LSHttpError schemaError(error);
            schemaError.SetMessage(explanation + L"\n" + text);
            throw schemaError;
        }
    }
    if (error.GetStatus() == LSHttpStatus::kInternalServerError || error.GetStatus() == LSHttpStatus::kBadGateway) {
        PauseUnlessShuttingDown(kPauseBeforeServerRetry, informer);
        return;
    }
    const std::optional<std::chrono::seconds> throttled = ThrottledWait(error);
    if (!throttled)
        throw error;
    LS_DIAG_LOG(1) << "Box_20::CallBoxAPIWithRetry: status " << error.GetStatus() << ", retrying in "
                   << throttled->count() << " s";
    PauseUnlessShuttingDown(*throttled, informer);
}

// Returns when the request is to be sent again; throws otherwise.
void HandleFailedSend(const LSHttpError& error, int32_t attempt, const RefreshTokensType& tokensOfAttempt,
                      const std::unique_ptr<ILSHttpRequest>& request, ILSShutdownInformer* informer)
{
    LOG(ERROR) << ":Error : " << WideToUtf8Lossy(error.FormatMessage()) << "\n";
    if (attempt >= kLastAttempt) {
        LOG(ERROR) << "Failed after retries : ";
        throw error;
    }
    if (error.GetStatus() == LSHttpStatus::kUnauthorized)
        RenewTokensAfterUnauthorized(tokensOfAttempt, attempt, informer);
    else
        HandleFailedStatus(error, request, informer);
}

} // namespace

void RenewTokensAfterUnauthorized(const RefreshTokensType& tokensOfAttempt, int32_t attempt,
                                  ILSShutdownInformer* informer)
{
    const RefreshLock lock(informer);
    // Another caller's refused refresh may have emptied the cache meanwhile: this one then signs in.
    const RefreshTokensType current = GetCachedTokens(informer, false, BoxTokenRefreshLock.ProgressNote());
    if (current.AccessToken != tokensOfAttempt.AccessToken) {
        LS_DIAG_LOG(1) << "Retrying : " << attempt;
        return;
    }
    try {
        RefreshAccessToken(informer);
    } catch (const LSHttpError& error) {
        if (error.GetStatus() == LSHttpStatus::kBadRequest)
            ClearCachedTokens(current.RefreshToken);
        throw;
    }
    PauseUnlessShuttingDown(kPauseAfterRefresh, informer);
}

void SetAuthHeaders(ILSHttpRequest& request, const std::wstring& accessToken)
{
    request.SetRequestHeader(L"Authorization", _bstr_t((L"Bearer " + accessToken).c_str()));
    request.SetRequestHeader(L"Auth-Type", L"OAUTH2");
}

std::unique_ptr<ILSHttpRequest> OpenBoxRequest(const CStdStr<wchar_t>& method, const CStdStr<wchar_t>& url,
                                               const std::wstring& place, const wchar_t* condition)
{
    LS_DIAG_LOG(1) << WideToUtf8Lossy(method) << " " << WideToUtf8Lossy(url) << " to address:"
                   << WideToUtf8Lossy(url);
    std::unique_ptr<ILSHttpRequest> request = LSHttpRequestFactory::CreateHttpRequest();
    const _variant_t noCredential(L"");
    const HRESULT opened =
        request->Open(_bstr_t(method.c_str()), _bstr_t(url.c_str()), _variant_t(true), noCredential, noCredential);
    if (FAILED(opened)) {
        LOG(ERROR) << " Failed to open request object" << std::hex << static_cast<uint32_t>(opened) << "\n";
        throw JoinWithSpace(place, condition);
    }
    return request;
}

namespace {

// A request of the call loop: opened, with the bearer token, the JSON headers and the extra ones set.
std::unique_ptr<ILSHttpRequest> OpenJsonRequest(const CStdStr<wchar_t>& url, const CStdStr<wchar_t>& method,
                                                const std::wstring& accessToken, bool multipart,
                                                const wchar_t* contentType = nullptr,
                                                const LSHttpHeaderList& extraHeaders = {})
{
    std::unique_ptr<ILSHttpRequest> request = OpenBoxRequest(method, url, L"Box_20::PerformASyncSend");
    SetAuthHeaders(*request, accessToken);
    request->SetRequestHeader(L"Accept", L"application/json");
    if (contentType == nullptr)
        contentType = multipart ? kMultipartContentType : L"application/json";
    request->SetRequestHeader(L"Content-Type", contentType);
    for (const auto& [name, value] : extraHeaders)
        request->SetRequestHeader(name.c_str(), value.c_str());
    return request;
}

// The first attempt takes the request begun ahead, unless the tokens changed since it began.
bool FinishStartedRequest(BoxStartedRequest* started, std::unique_ptr<ILSHttpRequest>& request, int32_t attempt,
                          const RefreshTokensType& tokensOfAttempt, const CStdStr<wchar_t>& url,
                          ILSShutdownInformer* informer)
{
    if (started == nullptr || !started->Request)
        return false;
    std::unique_ptr<ILSHttpRequest> taken = std::move(started->Request);
    if (attempt != 0 || started->AccessToken != tokensOfAttempt.AccessToken)
        return false;
    request = std::move(taken);
    CLSBaseWS::FinishAsyncVariantSend(*request, url, _variant_t(), informer);
    return true;
}

} // namespace

void PerformASyncSend(std::unique_ptr<ILSHttpRequest>& request, const CStdStr<wchar_t>& url,
                      ILSShutdownInformer* informer, const CStdStr<wchar_t>& method, const _variant_t& body,
                      bool multipart, const wchar_t* contentType, const LSHttpHeaderList& extraHeaders)
{
    request = OpenJsonRequest(url, method, GetCachedTokens(informer, false).AccessToken, multipart, contentType,
                              extraHeaders);
    CLSBaseWS::PerformAsyncVariantSend(request, url, body, informer);
}

BoxStartedRequest StartBoxRequest(const CStdStr<wchar_t>& url, ILSShutdownInformer* informer,
                                  const CStdStr<wchar_t>& method)
{
    // Whatever goes wrong here meets the call again, which fails or retries as it always does.
    try {
        BoxStartedRequest started;
        started.AccessToken = GetCachedTokens(informer, false).AccessToken;
        started.Request = OpenJsonRequest(url, method, started.AccessToken, false);
        CLSBaseWS::StartAsyncVariantSend(*started.Request, _variant_t(), informer);
        return started;
    } catch (...) {
        return {};
    }
}

void CallBoxAPIWithRetry(std::unique_ptr<ILSHttpRequest>& request, const CStdStr<wchar_t>& url,
                         ILSShutdownInformer* informer, const CStdStr<wchar_t>& method, const _variant_t& body,
                         bool multipart, BoxStartedRequest* started, const wchar_t* contentType,
                         const LSHttpHeaderList& extraHeaders)
{
    for (int32_t attempt = 0;; ++attempt) {
        const RefreshTokensType tokensOfAttempt = GetCachedTokens(informer, false);
        try {
            if (!FinishStartedRequest(started, request, attempt, tokensOfAttempt, url, informer))
                PerformASyncSend(request, url, informer, method, body, multipart, contentType, extraHeaders);
            return;
        } catch (const LSHttpError& error) {
            HandleFailedSend(error, attempt, tokensOfAttempt, request, informer);
        }
    }
}

Json::Value CallBoxAPI(const CStdStr<wchar_t>& url, ILSShutdownInformer* informer, const CStdStr<wchar_t>& method,
                       const _variant_t& body, bool multipart)
{
    std::unique_ptr<ILSHttpRequest> request;
    CallBoxAPIWithRetry(request, url, informer, method, body, multipart);
    const std::string text = CLSBaseJsonWS::ReplyBytes(*request);
    Json::Value reply;
    std::string errors;
    if (!CLSBaseJsonWS::TryParseJson(text, reply, errors)) {
        LOG(ERROR) << " Response:\n" << text << "\n";
        if (!text.empty())
            LOG(ERROR) << " Reader error:\n" << errors << "\n";
    }
    return reply;
}

namespace {

constexpr wchar_t kRichPlace[] = L"Box_20::CallBoxAPIWithRichErrorLogging";

std::string RichReplyBytes(ILSPropertyMap* propertyMap, ILSShutdownInformer* informer, const CStdStr<wchar_t>& url,
                           const CStdStr<wchar_t>& method, const _variant_t& body, bool multipart,
                           BoxStartedRequest* started, const LSHttpHeaderList& extraHeaders = {})
{
    std::unique_ptr<ILSHttpRequest> request;
    try {
        CallBoxAPIWithRetry(request, url, informer, method, body, multipart, started, nullptr, extraHeaders);
    } catch (const LSHttpError& error) {
        LOG(ERROR) << "LSHttpError caught: " << WideToUtf8Lossy(error.FormatMessage());
        const CStdStr<wchar_t> boxError = HandleError(request, propertyMap);
        throw JoinWithSpace(kRichPlace, boxError.empty() ? error.FormatMessage() : boxError);
    }
    return CLSBaseJsonWS::ReplyBytes(*request);
}

} // namespace

Json::Value ParseRichReply(std::string_view bytes)
{
    Json::Value reply;
    std::string errors;
    if (!CLSBaseJsonWS::TryParseJson(bytes, reply, errors)) {
        LOG(ERROR) << " Could not parse xml response from Box";
        throw JoinWithSpace(kRichPlace, L"failed to parse response");
    }
    return reply;
}

Json::Value CallBoxAPIWithRichErrorLogging(ILSPropertyMap* propertyMap, ILSShutdownInformer* informer,
                                           const CStdStr<wchar_t>& url, const CStdStr<wchar_t>& method,
                                           const _variant_t& body, bool multipart, const LSHttpHeaderList& extraHeaders)
{
    return ParseRichReply(RichReplyBytes(propertyMap, informer, url, method, body, multipart, nullptr, extraHeaders));
}

std::string CallBoxAPIForReplyBytes(ILSPropertyMap* propertyMap, ILSShutdownInformer* informer,
                                    const CStdStr<wchar_t>& url, const CStdStr<wchar_t>& method,
                                    BoxStartedRequest* started)
{
    return RichReplyBytes(propertyMap, informer, url, method, _variant_t(), false, started);
}

} // namespace Box_20
