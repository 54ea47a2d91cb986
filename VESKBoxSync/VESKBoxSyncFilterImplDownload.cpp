// Box file content brought down to a local path, and a file's current entity tag.
#include "VESKBoxSyncFilterImpl.h"

#include "BoxExceptions.h"
#include "BoxFileOperations.h"
#include "BoxTokenCache.h"
#include "BoxTokenRequests.h"
#include "BoxUrlBuilders.h"
#include "LSBaseWS.h"
#include "LSCancellableWait.h"
#include "LSDiag.h"
#include "LSHttpError.h"
#include "LSHttpStatus.h"
#include "LSNamedProperties.h"

#include <algorithm>
#include <chrono>

namespace {

// Attempts 0 to 3: an expired token is renewed three times at most before the download gives up.
constexpr int kLastTokenRetryAttempt = 3;
// Box answers 202 while it prepares a file's content; after this many waits the download fails.
constexpr int kMaxContentNotReadyWaits = 3;
constexpr int32_t kDefaultNotReadyWaitSeconds = 1;

// A 202 names its own wait; none, or an unreasonable one, is replaced by something bounded.
std::chrono::seconds NotReadyWait(const LSHttpError& error)
{
    const int32_t asked = error.GetRetryAfterSeconds();
    const int32_t bounded = std::min<int32_t>(asked > 0 ? asked : kDefaultNotReadyWaitSeconds,
                                              static_cast<int32_t>(CLSBaseWS::kMaxRetryAfterWaitSeconds));
    return std::chrono::seconds(bounded);
}

void WriteDownloadIssue(ILSPropertyMap* item, const CStdStr<wchar_t>& errorText)
{
    if (item == nullptr)
        return;
    item->put_ItemStr(LSNamedProperties::QuentraSyncIssueType, _bstr_t(L"ERROR"));
    item->put_ItemStr(LSNamedProperties::QuentraSyncIssueMessage, _bstr_t(errorText.c_str()));
}

} // namespace

CStdStr<wchar_t> VESKBoxSyncFilterImpl::RetryWhileContentNotReady(const std::function<CStdStr<wchar_t>()>& operation,
                                                                  ILSShutdownInformer* informer)
{
    for (int notReadyWaits = 0;; ++notReadyWaits) {
        try {
            return operation();
        } catch (const LSHttpError& error) {
            if (error.GetStatus() != LSHttpStatus::kAccepted || notReadyWaits >= kMaxContentNotReadyWaits)
                throw;
            if (!SleepPumpingMessages(NotReadyWait(error), MakeCancelCheck(informer)))
                throw E_ABORT;
        }
    }
}

// Throws what the download throws once the token retries and the waits for content are spent.
CStdStr<wchar_t> VESKBoxSyncFilterImpl::DownloadWithTokenRetries(const CStdStr<wchar_t>& remoteName,
                                                                 const CStdStr<wchar_t>& url,
                                                                 const CStdStr<wchar_t>& localPath,
                                                                 const CStdStr<wchar_t>& extra)
{
    ILSShutdownInformer* const informer = m_shutdownInformer.get();
    return RetryWhileContentNotReady(
        [&] {
            for (int attempt = 0;; ++attempt) {
                try {
                    const Box_20::RefreshTokensType tokens = Box_20::GetCachedTokens(informer, false);
                    return CLSBaseWS::DownloadFileWithWinInet(Box_20::SetDefaultHeaders(tokens), url, localPath,
                                                              extra, informer);
                } catch (const LSHttpError& error) {
                    if (error.GetStatus() != LSHttpStatus::kUnauthorized)
                        throw;
                    if (attempt >= kLastTokenRetryAttempt) {
                        LOG(ERROR) << "Exceeded retries";
                        throw;
                    }
                    // The call loop renews the expired token on the way.
                    Box_20::GetFileETag(remoteName, informer);
                }
            }
        },
        informer);
}

HRESULT VESKBoxSyncFilterImpl::CopyFileToLocal(const CStdStr<wchar_t>& remoteName, const CStdStr<wchar_t>& localPath,
                                               ILSPropertyMap* item, const CStdStr<wchar_t>& extra)
{
    LS_DIAG_LOG(1) << "CopyFileToLocal to : " << LSDiag::LogText(localPath);
    const CStdStr<wchar_t> url = Box_20::GetFileContentUrl(remoteName);
    CStdStr<wchar_t> errorText;
    CStdStr<wchar_t> downloadedPath;
    try {
        downloadedPath = DownloadWithTokenRetries(remoteName, url, localPath, extra);
    } catch (const Box_20::ApiException& error) {
        errorText = error.GetText();
        LOG(ERROR) << " " << LSDiag::LogText(errorText) << "\n";
    } catch (const LSHttpError& error) {
        errorText = error.FormatMessage();
        LOG(ERROR) << " " << LSDiag::LogText(errorText) << "\n";
        // The file is gone from Box: a failure the framework is asked to pass over, with no file.
        if (error.GetStatus() == LSHttpStatus::kNotFound)
            return S_FALSE;
    } catch (...) {
        const HRESULT hr =
            LSDiag::HandleInterfaceException("VESKBoxSyncFilterImpl::CopyFileToLocal", __FILE__, __LINE__, &errorText);
        // A stop the host asked for is no problem of the item's.
        if (hr == E_ABORT)
            return E_ABORT;
    }
    if (!errorText.empty()) {
        WriteDownloadIssue(item, errorText);
        return E_FAIL;
    }
    if (downloadedPath != localPath) {
        LOG(ERROR) << "Failed to retrieve file from: " << LSDiag::LogText(url) << " to: " << LSDiag::LogText(localPath)
                   << "\n";
        return E_FAIL;
    }
    return S_OK;
}

HRESULT VESKBoxSyncFilterImpl::GetRemoteETag(const CStdStr<wchar_t>& remoteName, CStdStr<wchar_t>& etag)
{
    etag = Box_20::GetFileETag(remoteName, m_shutdownInformer.get());
    return S_OK;
}
