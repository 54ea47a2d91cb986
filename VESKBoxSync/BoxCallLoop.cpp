#include "BoxCallLoop.h"

#include "BoxErrors.h"
#include "BoxExceptions.h"
#include "BoxRecords.h"
#include "BoxRequestBodies.h"
#include "BoxTokenCache.h"
#include "BoxTokenLocks.h"
#include "BoxTokenRequests.h"
#include "LSBaseJsonWS.h"
#include "LSCancelCheck.h"
#include "LSCancellableWait.h"
#include "LSDiag.h"
#include "LSHttpError.h"
#include "LSHttpRequestFactory.h"
#include "LSResources.h"
#include "Utf8Converter.h"

#include <chrono>
#include <cstdint>
#include <mutex>

namespace Box_20 {

namespace {

constexpr int32_t kLastAttempt = 5;
constexpr int32_t kStatusUnauthorized = 401;
constexpr int32_t kStatusBadRequest = 400;
constexpr int32_t kStatusInternalServerError = 500;
constexpr int32_t kStatusBadGateway = 502;
constexpr std::chrono::milliseconds kPauseAfterRefresh{500};
constexpr std::chrono::milliseconds kPauseBeforeServerRetry{200};
constexpr std::chrono::milliseconds kRefreshLockTry{100};
constexpr UINT kSchemaValidationFailedString = 4259;
constexpr wchar_t kSchemaValidationFailed[] = L"schema_validation_failed";

CStdStr<wchar_t> ResponseText(const ILSHttpRequest& request)
{
    const _bstr_t text = request.GetResponseText();
    return CStdStr<wchar_t>(static_cast<const wchar_t*>(text));
}

// Only one caller refreshes at a time; the others wait here, and a shutdown ends their wait.
std::unique_lock<std::timed_mutex> LockForRefresh(ILSShutdownInformer* informer)
{
    const LSCancelCheck shuttingDown = MakeCancelCheck(informer);
    std::unique_lock<std::timed_mutex> lock(BoxTokenRefreshMutex, std::defer_lock);
    while (!lock.try_lock_for(kRefreshLockTry)) {
        if (shuttingDown && shuttingDown()) {
            LS_DIAG_LOG(1) << "Aborting waiting for tokens ";
            throw E_ABORT;
        }
    }
    return lock;
}

// The call loop's pauses end early, with E_ABORT, when the host shuts down.
void PauseUnlessShuttingDown(std::chrono::milliseconds pause, ILSShutdownInformer* informer)
{
    if (!SleepPumpingMessages(pause, MakeCancelCheck(informer)))
        throw E_ABORT;
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
    if (error.GetStatus() != kStatusInternalServerError && error.GetStatus() != kStatusBadGateway)
        throw error;
    PauseUnlessShuttingDown(kPauseBeforeServerRetry, informer);
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
    if (error.GetStatus() == kStatusUnauthorized)
        RenewTokensAfterUnauthorized(tokensOfAttempt, attempt, informer);
    else
        HandleFailedStatus(error, request, informer);
}

std::unique_ptr<ILSHttpRequest> OpenBoxRequest(const CStdStr<wchar_t>& url, const CStdStr<wchar_t>& method,
                                               const std::wstring& accessToken, bool multipart)
{
    LS_DIAG_LOG(1) << WideToUtf8Lossy(method) << " " << WideToUtf8Lossy(url) << " to address:"
                   << WideToUtf8Lossy(url);
    std::unique_ptr<ILSHttpRequest> request = LSHttpRequestFactory::CreateHttpRequest();
    const _variant_t noCredential(L"");
    const HRESULT opened =
        request->Open(_bstr_t(method.c_str()), _bstr_t(url.c_str()), _variant_t(true), noCredential, noCredential);
    if (FAILED(opened)) {
        LOG(ERROR) << " Failed to open request object" << std::hex << static_cast<uint32_t>(opened) << "\n";
        throw JoinWithSpace(L"Box_20::PerformASyncSend", L"Failed to open request object");
    }
    SetAuthHeaders(*request, accessToken);
    request->SetRequestHeader(L"Accept", L"application/json");
    request->SetRequestHeader(L"Content-Type", multipart ? kMultipartContentType : L"application/json");
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

void RenewTokensAfterUnauthorized(const RefreshTokensType& tokensOfAttempt, int32_t attempt,
                                  ILSShutdownInformer* informer)
{
    const std::unique_lock<std::timed_mutex> lock = LockForRefresh(informer);
    const RefreshTokensType current = GetCachedTokens(informer, false);
    if (current.AccessToken != tokensOfAttempt.AccessToken) {
        LS_DIAG_LOG(1) << "Retrying : " << attempt;
        return;
    }
    try {
        RefreshAccessToken(informer);
    } catch (const LSHttpError& error) {
        if (error.GetStatus() == kStatusBadRequest)
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

void PerformASyncSend(std::unique_ptr<ILSHttpRequest>& request, const CStdStr<wchar_t>& url,
                      ILSShutdownInformer* informer, const CStdStr<wchar_t>& method, const _variant_t& body,
                      bool multipart)
{
    request = OpenBoxRequest(url, method, GetCachedTokens(informer, false).AccessToken, multipart);
    CLSBaseWS::PerformAsyncVariantSend(request, url, body, informer);
}

BoxStartedRequest StartBoxRequest(const CStdStr<wchar_t>& url, ILSShutdownInformer* informer,
                                  const CStdStr<wchar_t>& method)
{
    // Whatever goes wrong here meets the call again, which fails or retries as it always does.
    try {
        BoxStartedRequest started;
        started.AccessToken = GetCachedTokens(informer, false).AccessToken;
        started.Request = OpenBoxRequest(url, method, started.AccessToken, false);
        CLSBaseWS::StartAsyncVariantSend(*started.Request, _variant_t(), informer);
        return started;
    } catch (...) {
        return {};
    }
}

void CallBoxAPIWithRetry(std::unique_ptr<ILSHttpRequest>& request, const CStdStr<wchar_t>& url,
                         ILSShutdownInformer* informer, const CStdStr<wchar_t>& method, const _variant_t& body,
                         bool multipart, BoxStartedRequest* started)
{
    for (int32_t attempt = 0;; ++attempt) {
        const RefreshTokensType tokensOfAttempt = GetCachedTokens(informer, false);
        try {
            if (!FinishStartedRequest(started, request, attempt, tokensOfAttempt, url, informer))
                PerformASyncSend(request, url, informer, method, body, multipart);
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

Json::Value CallBoxAPIWithRichErrorLogging(ILSPropertyMap* propertyMap, ILSShutdownInformer* informer,
                                           const CStdStr<wchar_t>& url, const CStdStr<wchar_t>& method,
                                           const _variant_t& body, bool multipart, BoxStartedRequest* started)
{
    constexpr wchar_t kPlace[] = L"Box_20::CallBoxAPIWithRichErrorLogging";
    std::unique_ptr<ILSHttpRequest> request;
    try {
        CallBoxAPIWithRetry(request, url, informer, method, body, multipart, started);
    } catch (const LSHttpError& error) {
        LOG(ERROR) << "LSHttpError caught: " << WideToUtf8Lossy(error.FormatMessage());
        const CStdStr<wchar_t> boxError = HandleError(request, propertyMap);
        throw JoinWithSpace(kPlace, boxError.empty() ? error.FormatMessage() : boxError);
    }
    Json::Value reply;
    std::string errors;
    if (!CLSBaseJsonWS::TryParseJson(CLSBaseJsonWS::ReplyBytes(*request), reply, errors)) {
        LOG(ERROR) << " Could not parse xml response from Box";
        throw JoinWithSpace(kPlace, L"failed to parse response");
    }
    return reply;
}

} // namespace Box_20
