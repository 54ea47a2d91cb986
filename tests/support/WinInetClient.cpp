#include "WinInetClient.h"

#include "UniqueResource.h"

#include <stdexcept>

using TalvernCommon::unique_hinternet;

namespace TestSupport {
namespace {

struct UrlParts {
    std::string host;
    INTERNET_PORT port = 80;
    std::string pathAndQuery;
};

UrlParts CrackUrl(const std::string& url)
{
    char host[256] = {};
    char path[4096] = {};
    char extra[4096] = {};
    URL_COMPONENTSA parts = {};
    parts.dwStructSize = sizeof(parts);
    parts.lpszHostName = host;
    parts.dwHostNameLength = sizeof(host);
    parts.lpszUrlPath = path;
    parts.dwUrlPathLength = sizeof(path);
    parts.lpszExtraInfo = extra;
    parts.dwExtraInfoLength = sizeof(extra);
    if (!::InternetCrackUrlA(url.c_str(), 0, 0, &parts))
        throw std::runtime_error("cannot parse URL " + url);
    return {host, parts.nPort, std::string(path) + extra};
}

std::string ReadBody(HINTERNET request)
{
    std::string body;
    char buffer[16384];
    DWORD read = 0;
    while (::InternetReadFile(request, buffer, sizeof(buffer), &read) && read > 0)
        body.append(buffer, read);
    return body;
}

unsigned QueryStatus(HINTERNET request)
{
    DWORD status = 0;
    DWORD size = sizeof(status);
    ::HttpQueryInfoA(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size, nullptr);
    return status;
}

std::vector<std::pair<std::string, std::string>> QueryHeaders(HINTERNET request)
{
    DWORD size = 0;
    ::HttpQueryInfoA(request, HTTP_QUERY_RAW_HEADERS_CRLF, nullptr, &size, nullptr);
    std::string raw(size, '\0');
    if (!::HttpQueryInfoA(request, HTTP_QUERY_RAW_HEADERS_CRLF, raw.data(), &size, nullptr))
        return {};
    raw.resize(size);
    std::vector<std::pair<std::string, std::string>> headers;
    size_t start = raw.find("\r\n");  // skip the status line
    while (start != std::string::npos) {
        start += 2;
        const size_t end = raw.find("\r\n", start);
        const std::string line = raw.substr(start, end == std::string::npos ? std::string::npos : end - start);
        const size_t colon = line.find(':');
        if (colon != std::string::npos)
            headers.emplace_back(line.substr(0, colon), line.substr(line.find_first_not_of(' ', colon + 1)));
        start = end;
    }
    return headers;
}

} // namespace

HttpReply SendHttp(const std::string& method, const std::string& url, const std::string& body,
                   const std::vector<std::pair<std::string, std::string>>& headers)
{
    const UrlParts parts = CrackUrl(url);
    unique_hinternet session(::InternetOpenA("VESK-tests", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0));
    if (!session)
        throw std::runtime_error("InternetOpen failed");
    unique_hinternet connection(::InternetConnectA(session.get(), parts.host.c_str(), parts.port, nullptr,
                                                   nullptr, INTERNET_SERVICE_HTTP, 0, 0));
    if (!connection)
        throw std::runtime_error("InternetConnect failed for " + url);
    const DWORD flags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_NO_AUTO_REDIRECT |
                        INTERNET_FLAG_NO_COOKIES | INTERNET_FLAG_NO_UI;
    unique_hinternet request(::HttpOpenRequestA(connection.get(), method.c_str(), parts.pathAndQuery.c_str(),
                                                nullptr, nullptr, nullptr, flags, 0));
    if (!request)
        throw std::runtime_error("HttpOpenRequest failed for " + url);
    std::string headerText;
    for (const auto& [name, value] : headers)
        headerText += name + ": " + value + "\r\n";
    if (!::HttpSendRequestA(request.get(), headerText.empty() ? nullptr : headerText.c_str(),
                            static_cast<DWORD>(headerText.size()), const_cast<char*>(body.data()),
                            static_cast<DWORD>(body.size())))
        throw std::runtime_error(method + " " + url + " got no reply (error " +
                                 std::to_string(::GetLastError()) + ")");
    HttpReply reply;
    reply.status = QueryStatus(request.get());
    reply.headers = QueryHeaders(request.get());
    reply.body = ReadBody(request.get());
    return reply;
}

} // namespace TestSupport
