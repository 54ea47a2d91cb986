#include "LSWinInet.h"

#include "HResultException.h"
#include "LSDiag.h"
#include "LSHttpError.h"
#include "LSHttpLogging.h"
#include "LSHttpMessageParts.h"
#include "LSHttpStatus.h"
#include "LSStagedFile.h"

namespace LSWinInetNS {
namespace {

// An error reply's body becomes the error's detail; an error page has no business being larger.
constexpr size_t kMaxErrorDetailBytes = 64 * 1024;

void LogReplyHead(WinInetRequestContext& context, std::string_view body)
{
    if (context.LogsResponses())
        LogWinInetResponse(context.GetUrl(), context.GetStatusCode(), context.QueryHeader(HTTP_QUERY_RAW_HEADERS_CRLF),
                           body);
}

} // namespace

void LSWinInetBase::CheckStatus(WinInetRequestContext& context)
{
    const DWORD status = context.GetStatusCode();
    if (LSHttpStatus::IsSuccess(static_cast<long>(status)))
        return;
    const std::string detail = context.ReadBodyPrefix(kMaxErrorDetailBytes);
    LogReplyHead(context, detail);
    throw LSHttpError(static_cast<int32_t>(status),
                      HttpErrorMessageFromStatusText(context.QueryHeader(HTTP_QUERY_STATUS_TEXT)),
                      ParseRetryAfterSeconds(context.QueryHeader(HTTP_QUERY_RETRY_AFTER)), Utf8ToWideLossy(detail));
}

void LSWinInetBase::ThrowIfNotReady(WinInetRequestContext& context)
{
    if (context.GetStatusCode() == static_cast<DWORD>(LSHttpStatus::kAccepted))
        throw LSHttpError(static_cast<int32_t>(LSHttpStatus::kAccepted),
                          HttpErrorMessageFromStatusText(context.QueryHeader(HTTP_QUERY_STATUS_TEXT)),
                          ParseRetryAfterSeconds(context.QueryHeader(HTTP_QUERY_RETRY_AFTER)));
}

CStdStr<wchar_t> LSWinInetBase::PostText(WinInetRequestContext& context, const CStdStr<wchar_t>& verb,
                                         const CStdStr<wchar_t>& url, const CStdStr<wchar_t>& extraHeaders,
                                         const CStdStr<wchar_t>& body)
{
    std::wstring headers = L"Content-Type: text/xml; charset=utf-8\r\n" + extraHeaders;
    LSHttpBodyBytes bodyBytes(WideToUtf8Lossy(body));
    LogWinInetRequest(verb, url, headers, bodyBytes.View());
    context.Send(verb, url, std::move(headers), std::move(bodyBytes), INTERNET_FLAG_NO_AUTO_REDIRECT);
    if (context.GetStatusCode() != LSHttpStatus::kFound)
        CheckStatus(context);
    LogReplyHead(context, {});
    return context.QueryHeader(HTTP_QUERY_LOCATION);
}

void LSWinInetBase::DownloadToFile(WinInetRequestContext& context, const CStdStr<wchar_t>& url,
                                   const CStdStr<wchar_t>& headerLines, const CStdStr<wchar_t>& localPath,
                                   DWORD extraFlags)
{
    // A connection that drops in the middle of a reply is a passing fault (and Wine's WinINet now
    // and then ends a long reply early): the file is fetched once more from its start.
    constexpr int kAttempts = 2;
    for (int attempt = 1;; ++attempt) {
        try {
            DownloadOnce(context, url, headerLines, localPath, extraFlags);
            return;
        } catch (const hresult_exception& error) {
            if (attempt == kAttempts || error.hr() != HRESULT_FROM_WIN32(ERROR_INTERNET_CONNECTION_RESET))
                throw;
            LOG(WARNING) << " " << error.what() << "; fetching it again\n";
        }
    }
}

void LSWinInetBase::DownloadOnce(WinInetRequestContext& context, const CStdStr<wchar_t>& url,
                                 const CStdStr<wchar_t>& headerLines, const CStdStr<wchar_t>& localPath,
                                 DWORD extraFlags)
{
    LogWinInetRequest(L"GET", url, headerLines, {});
    context.Send(L"GET", url, headerLines, {}, extraFlags);
    CheckStatus(context);
    LogReplyHead(context, {});
    // Accepted, not ready: the reply carries no content, and writing it would pass for the file.
    ThrowIfNotReady(context);
    LSStagedFile file(localPath);
    for (std::string_view block = context.ReadBlock(); !block.empty(); block = context.ReadBlock())
        file.Write(block.data(), static_cast<DWORD>(block.size()));
    file.Commit();
}

} // namespace LSWinInetNS
