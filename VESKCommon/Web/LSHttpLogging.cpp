#include "LSHttpLogging.h"

#include "BstrText.h"
#include "LSDiag.h"
#include "LSHttpBodyBytes.h"
#include "LSHttpMessageParts.h"
#include "LSHttpRedaction.h"

void LogHttpRequest(const ILSHttpRequest& request, const VARIANT& body)
{
    if (!LSDiag::LogRequests())
        return;
    // Read in place: an upload body is only counted, never copied for the log.
    const LSHttpBodyBytes bytes(body);
    const std::wstring headers = JoinHeaderLines(request.GetRequestHeaders());
    const std::string shownBody =
        IsTextBody(body) ? LSHttpRedaction::RedactBody(bytes.View(), FindHeaderLine(headers, L"Content-Type"))
                         : "<" + std::to_string(bytes.View().size()) + " bytes>";
    LOG(INFO) << "Request: " << LSDiag::LogText(request.GetMethod()) << " "
              << LSDiag::LogText(LSHttpRedaction::RedactUrl(request.GetUrl())) << "\n"
              << LSDiag::LogText(LSHttpRedaction::RedactHeaderLines(headers)) << "\n"
              << shownBody;
}

void LogHttpResponse(const ILSHttpRequest& request)
{
    if (!LSDiag::LogResponses())
        return;
    const std::wstring headerLines = BstrText(request.GetAllResponseHeaders());
    const std::string body = WideToUtf8Lossy(BstrText(request.GetResponseText()));
    LOG(INFO) << "Response: " << request.GetStatus() << " "
              << LSDiag::LogText(LSHttpRedaction::RedactUrl(request.GetUrl())) << "\n"
              << LSDiag::LogText(LSHttpRedaction::RedactHeaderLines(headerLines)) << "\n"
              << LSHttpRedaction::RedactBody(body, FindHeaderLine(headerLines, L"Content-Type"));
}

void LogWinInetRequest(std::wstring_view verb, std::wstring_view url, std::wstring_view headerLines,
                       std::string_view body)
{
    if (!LSDiag::LogRequests())
        return;
    LOG(INFO) << "Request: " << LSDiag::LogText(verb) << " " << LSDiag::LogText(LSHttpRedaction::RedactUrl(url))
              << "\n"
              << LSDiag::LogText(LSHttpRedaction::RedactHeaderLines(headerLines)) << "\n"
              << LSHttpRedaction::RedactBody(body, FindHeaderLine(headerLines, L"Content-Type"));
}

void LogWinInetResponse(std::wstring_view url, DWORD status, std::wstring_view headerLines, std::string_view body)
{
    LOG(INFO) << "Response: " << status << " " << LSDiag::LogText(LSHttpRedaction::RedactUrl(url)) << "\n"
              << LSDiag::LogText(LSHttpRedaction::RedactHeaderLines(headerLines)) << "\n"
              << LSHttpRedaction::RedactBody(body, FindHeaderLine(headerLines, L"Content-Type"));
}
