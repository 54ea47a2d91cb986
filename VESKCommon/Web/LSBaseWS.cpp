#include "LSBaseWS.h"

#include "BstrText.h"
#include "HResultException.h"
#include "LSCancelCheck.h"
#include "LSCancellableWait.h"
#include "LSDiag.h"
#include "LSHttpError.h"
#include "LSHttpMessageParts.h"
#include "LSHttpStatus.h"
#include "LSHttpLogging.h"
#include "LSUserAgent.h"
#include "LSWinInet.h"

#include <algorithm>
#include <chrono>

namespace {

using std::chrono::milliseconds;
using std::chrono::seconds;

LSHttpError ErrorFromReply(const ILSHttpRequest& request)
{
    return LSHttpError(request.GetStatus(), HttpErrorMessageFromStatusText(BstrText(request.GetStatusText())),
                       ParseRetryAfterSeconds(BstrText(request.GetResponseHeader(L"Retry-After"))),
                       BstrText(request.GetResponseText()));
}

void LogTiming(const ILSHttpRequest& request, std::chrono::steady_clock::duration elapsed)
{
    if (LSDiag::LogPerf())
        LOG(INFO) << "CLSBaseWS::PerformAsyncVariantSend " << LSDiag::LogText(request.GetMethod()) << " "
                  << LSDiag::LogText(request.GetUrl()) << " : "
                  << std::chrono::duration_cast<milliseconds>(elapsed).count() << " ms, status "
                  << request.GetStatus();
}

bool IsServerUnavailable(const LSHttpError& error) { return error.GetStatus() == LSHttpStatus::kServiceUnavailable || error.GetStatus() == LSHttpStatus::kTooManyRequests; }

milliseconds RetryDelay(const LSHttpError& error, int failedAttempts)
{
    if (error.GetRetryAfterSeconds() > 0)
        return seconds(std::min<DWORD>(static_cast<DWORD>(error.GetRetryAfterSeconds()),
                                       CLSBaseWS::kMaxRetryAfterWaitSeconds));
    return seconds(1LL << (failedAttempts - 1));
}

void PrepareSend(ILSHttpRequest& request, const _variant_t& body, ILSShutdownInformer* informer)
{
    NotifyRequestStart(informer);
    if (!SystemUserAgent().empty())
        request.SetRequestHeader(L"User-Agent", SystemUserAgent().c_str());
    LogHttpRequest(request, body);
}

} // namespace

void CLSBaseWS::PerformAsyncVariantSend(std::unique_ptr<ILSHttpRequest>& request, const CStdStr<wchar_t>& url,
                                        const _variant_t& body, ILSShutdownInformer* informer)
{
    if (!request)
        throw hresult_exception(E_POINTER, "CLSBaseWS::PerformAsyncVariantSend: no request");
    PrepareSend(*request, body, informer);
    FinishAsyncVariantSend(*request, url, body, informer);
}

void CLSBaseWS::StartAsyncVariantSend(ILSHttpRequest& request, const _variant_t& body, ILSShutdownInformer* informer)
{
    PrepareSend(request, body, informer);
    // Whatever hinders the start meets Send again, which reports it.
    request.Start(body, MakeCancelCheck(informer));
}

void CLSBaseWS::FinishAsyncVariantSend(ILSHttpRequest& request, const CStdStr<wchar_t>& url, const _variant_t& body,
                                       ILSShutdownInformer* informer)
{
    const auto started = std::chrono::steady_clock::now();
    const HRESULT sent = request.Send(body, MakeCancelCheck(informer));
    if (sent == E_ABORT)
        throw E_ABORT;
    if (FAILED(sent))
        throw hresult_exception(sent, "CLSBaseWS::PerformAsyncVariantSend: sending to " + LSDiag::LogText(url) +
                                          " failed");
    LogTiming(request, std::chrono::steady_clock::now() - started);
    LogHttpResponse(request);

    if (!LSHttpStatus::IsSuccess(request.GetStatus()))
        throw ErrorFromReply(request);
}

CStdStr<wchar_t> CLSBaseWS::RetryWhileServerUnavailable(const std::function<CStdStr<wchar_t>()>& operation,
                                                        ILSShutdownInformer* informer)
{
    const LSCancelCheck cancel = MakeCancelCheck(informer);
    for (int attempt = 1;; ++attempt) {
        try {
            return operation();
        } catch (const LSHttpError& error) {
            if (!IsServerUnavailable(error) || attempt >= kMaxServerUnavailableAttempts || IsInformerOnTimer(informer))
                throw;
            const milliseconds delay = RetryDelay(error, attempt);
            LS_DIAG_LOG(1) << "CLSBaseWS::RetryWhileServerUnavailable: status " << error.GetStatus() << ", attempt "
                           << attempt << ", retrying in " << delay.count() << " ms";
            if (!SleepPumpingMessages(delay, cancel))
                throw E_ABORT;
        }
    }
}

bool CLSBaseWS::ShouldLogResponses() { return LSDiag::LogResponses(); }

CStdStr<wchar_t> CLSBaseWS::DownloadFile(const CStdStr<wchar_t>& url, const CStdStr<wchar_t>& localPath,
                                         ILSShutdownInformer* informer, const CStdStr<wchar_t>& extraHeaders,
                                         const LSProgressNote& progressed)
{
    NotifyRequestStart(informer);
    LS_DIAG_LOG(1) << "CLSBaseWS::DownloadFile " << LSDiag::LogText(url) << " to " << LSDiag::LogText(localPath);
    WinInetRequestContext context(MakeCancelCheck(informer), ShouldLogResponses(), 0, LSWaitMessages::Ignore,
                                  progressed);
    LSWinInetNS::LSWinInetBase::DownloadToFile(context, url, extraHeaders, localPath, 0);
    return localPath;
}

CStdStr<wchar_t> CLSBaseWS::DownloadFileWithWinInet(const LSHttpHeaderMap& headers, const CStdStr<wchar_t>& url,
                                                    const CStdStr<wchar_t>& localPath,
                                                    const CStdStr<wchar_t>& callerTag, ILSShutdownInformer* informer,
                                                    DWORD requestFlags)
{
    NotifyRequestStart(informer);
    LS_DIAG_LOG(1) << "CLSBaseWS::DownloadFileWithWinInet " << LSDiag::LogText(url) << " to "
                   << LSDiag::LogText(localPath) << " (" << LSDiag::LogText(callerTag) << ")";
    WinInetRequestContext context(MakeCancelCheck(informer), ShouldLogResponses(), 0);
    LSWinInetNS::LSWinInetBase::DownloadToFile(context, url, JoinHeaderLines(headers), localPath, requestFlags);
    return localPath;
}
