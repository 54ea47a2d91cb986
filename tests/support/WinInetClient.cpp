#include "WinInetClient.h"

#include "UniqueResource.h"

#include <stdexcept>

using TalvernCommon::unique_hinternet;

namespace TestSupport {

HttpReply SendHttp(const std::string& method, const std::string& url, const std::string& body,
                   const std::vector<std::pair<std::string, std::string>>& headers)
{
    // Lengths without buffers make the parts point into the URL.
    URL_COMPONENTSA parts = {};
    parts.dwStructSize = sizeof(parts);
    parts.dwHostNameLength = 1;
    const size_t pathStart = url.find('/', url.find("//") + 2);
    if (!::InternetCrackUrlA(url.c_str(), 0, 0, &parts) || pathStart == std::string::npos)
        throw std::runtime_error("cannot parse URL " + url);
    const std::string host(parts.lpszHostName, parts.dwHostNameLength);
    unique_hinternet session(::InternetOpenA("VESK-tests", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0));
    unique_hinternet connection(session ? ::InternetConnectA(session.get(), host.c_str(), parts.nPort, nullptr, nullptr,
                                                             INTERNET_SERVICE_HTTP, 0, 0)
                                        : nullptr);
    const DWORD flags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_NO_AUTO_REDIRECT |
                        INTERNET_FLAG_NO_COOKIES | INTERNET_FLAG_NO_UI;
    unique_hinternet request(connection ? ::HttpOpenRequestA(connection.get(), method.c_str(),
                                                             url.c_str() + pathStart, nullptr, nullptr, nullptr, flags, 0)
                                        : nullptr);
    std::string headerText;
    for (const auto& [name, value] : headers)
        headerText += name + ": " + value + "\r\n";
    if (!request || !::HttpSendRequestA(request.get(), headerText.empty() ? nullptr : headerText.c_str(),
                                        static_cast<DWORD>(headerText.size()), const_cast<char*>(body.data()),
                                        static_cast<DWORD>(body.size())))
        throw std::runtime_error(method + " " + url + " got no reply (error " + std::to_string(::GetLastError()) + ")");
    HttpReply reply;
    DWORD size = sizeof(reply.status);
    ::HttpQueryInfoA(request.get(), HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &reply.status, &size, nullptr);
    char buffer[16384];
    DWORD read = 0;
    while (::InternetReadFile(request.get(), buffer, sizeof(buffer), &read) && read > 0)
        reply.body.append(buffer, read);
    return reply;
}

} // namespace TestSupport
