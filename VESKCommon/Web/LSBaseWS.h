// The base web-service functions every client of the layer sends through.
#pragma once

#include "ComDef.h"
#include "ILSHttpRequest.h"
#include "LSCancellableWait.h"
#include "StdString.h"

#include <windows.h>

#include <functional>
#include <map>
#include <memory>

struct ILSShutdownInformer;

// Request headers by name, as the Box client builds them for downloads.
using LSHttpHeaderMap = std::map<CStdStr<wchar_t>, CStdStr<wchar_t>>;

class CLSBaseWS {
public:
    // Sends the opened request and waits for its reply while dispatching the caller's messages.
    // Tells the informer a request starts (result ignored), adds the system's "User-Agent" when
    // known, logs the request and reply when switched on and the timing with "VESK.Log.Perf".
    // Throws LSHttpError (status, reason phrase, Retry-After, reply body) for a status outside
    // 200 to 299, the bare HRESULT E_ABORT when the informer asks to stop, hresult_exception
    // when the request cannot be sent or shows no progress for too long.
    static void PerformAsyncVariantSend(std::unique_ptr<ILSHttpRequest>& request, const CStdStr<wchar_t>& url,
                                        const _variant_t& body, ILSShutdownInformer* informer);

    // PerformAsyncVariantSend in two halves, so that the reply travels while the caller does
    // other work: the start tells the informer, adds the agent, logs and begins the send (where
    // the request can) and never throws; the finish waits for the reply and throws as
    // PerformAsyncVariantSend does, a failure to begin included.
    static void StartAsyncVariantSend(ILSHttpRequest& request, const _variant_t& body, ILSShutdownInformer* informer);
    static void FinishAsyncVariantSend(ILSHttpRequest& request, const CStdStr<wchar_t>& url, const _variant_t& body,
                                       ILSShutdownInformer* informer);

    // The operation's result. An LSHttpError of status 503 or 429 runs it again after the
    // error's Retry-After (at most kMaxRetryAfterWait) or else a back-off of 1, 2, 4, 8 seconds;
    // the fifth failure is thrown on. Waits end with E_ABORT when the informer asks to stop. An
    // informer on the host's timer is never waited on: the first such error is thrown at once.
    // Other exceptions pass unchanged.
    static CStdStr<wchar_t> RetryWhileServerUnavailable(const std::function<CStdStr<wchar_t>()>& operation,
                                                        ILSShutdownInformer* informer);

    static constexpr int kMaxServerUnavailableAttempts = 5;
    static constexpr DWORD kMaxRetryAfterWaitSeconds = 60;

    // "VESK.Log.WebServiceResp".
    static bool ShouldLogResponses();

    // Downloads the URL (following redirects) into localPath, created or replaced only once the
    // whole content has arrived, and returns localPath. extraHeaders: "Name: value\r\n" lines.
    // progressed: called each time a block of the content arrives. Throws LSHttpError for a
    // failure status, hresult_exception for transport and file failures, the bare HRESULT E_ABORT
    // when the informer asks to stop.
    static CStdStr<wchar_t> DownloadFile(const CStdStr<wchar_t>& url, const CStdStr<wchar_t>& localPath,
                                         ILSShutdownInformer* informer,
                                         const CStdStr<wchar_t>& extraHeaders = CStdStr<wchar_t>(),
                                         const LSProgressNote& progressed = {});

    // DownloadFile with the given request headers. callerTag: the caller's own text, carried into
    // the diagnostic line of the download. requestFlags: WinINet flags added to the request's.
    static CStdStr<wchar_t> DownloadFileWithWinInet(const LSHttpHeaderMap& headers, const CStdStr<wchar_t>& url,
                                                    const CStdStr<wchar_t>& localPath,
                                                    const CStdStr<wchar_t>& callerTag, ILSShutdownInformer* informer,
                                                    DWORD requestFlags = 0);
};
