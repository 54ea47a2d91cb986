// The reference of the small-documents benchmark: for each document the preflight and the
// multipart upload the product sends, with nothing but synchronous WinINet on one session, the
// file read anew for each. Prints "run <seconds> <count>".
//   bare_documents BASE_URL LOCAL_PATH COUNT NAME_PREFIX ACCESS_TOKEN
#include <windows.h>
#include <wininet.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>

namespace {

std::string Narrow(const wchar_t* text) { return std::string(text, text + std::wcslen(text)); }

class Client {
public:
    Client(const std::string& base, const std::string& token)
        : m_base(base), m_auth("Authorization: Bearer " + token + "\r\nAuth-Type: OAUTH2\r\n"),
          m_session(InternetOpenW(L"bare", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0))
    {
        if (!m_session)
            throw std::runtime_error("InternetOpen failed");
    }
    ~Client() { InternetCloseHandle(m_session); }

    void Send(const char* verb, const std::string& url, const std::string& headers, const std::string& body)
    {
        URL_COMPONENTSA parts = {};
        parts.dwStructSize = sizeof(parts);
        parts.dwHostNameLength = parts.dwUrlPathLength = 1;
        if (!InternetCrackUrlA(url.c_str(), 0, 0, &parts))
            throw std::runtime_error("InternetCrackUrl failed for " + url);
        const std::string host(parts.lpszHostName, parts.dwHostNameLength);
        const std::string path(parts.lpszUrlPath, parts.dwUrlPathLength);
        HINTERNET connection =
            InternetConnectA(m_session, host.c_str(), parts.nPort, nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0);
        HINTERNET request = HttpOpenRequestA(connection, verb, path.c_str(), nullptr, nullptr, nullptr,
                                             INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_NO_COOKIES |
                                                 INTERNET_FLAG_KEEP_CONNECTION,
                                             0);
        const std::string all = m_auth + headers;
        if (!request || !HttpSendRequestA(request, all.c_str(), static_cast<DWORD>(all.size()),
                                          const_cast<char*>(body.data()), static_cast<DWORD>(body.size())))
            throw std::runtime_error(std::string("sending ") + verb + " " + url + " failed");
        char buffer[65536];
        DWORD read = 0;
        while (InternetReadFile(request, buffer, sizeof(buffer), &read) && read != 0) {
        }
        DWORD status = 0;
        DWORD length = sizeof(status);
        HttpQueryInfoA(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &length, nullptr);
        InternetCloseHandle(request);
        InternetCloseHandle(connection);
        if (status < 200 || status > 299)
            throw std::runtime_error(url + " answered " + std::to_string(status));
    }

    void AddDocument(const std::string& name, const std::wstring& path)
    {
        std::ifstream file(path.c_str(), std::ios::binary);
        const std::string content((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
        Send("OPTIONS", m_base + "/2.0/files/content", "Content-Type: application/json\r\n",
             "{\"name\":\"" + name + "\",\"parent\":{\"id\":\"0\"},\"size\":" + std::to_string(content.size()) + "}");
        const std::string boundary = "----bare-documents-boundary";
        const std::string body = "--" + boundary +
                                 "\r\nContent-Disposition: form-data; name=\"attributes\"\r\n\r\n{\"name\":\"" + name +
                                 "\",\"parent\":{\"id\":\"0\"}}\r\n--" + boundary +
                                 "\r\nContent-Disposition: form-data; name=\"file\"; filename=\"" + name +
                                 "\"\r\nContent-Type: application/octet-stream\r\n\r\n" + content + "\r\n--" +
                                 boundary + "--\r\n";
        Send("POST", m_base + "/api/2.0/files/content",
             "Content-Type: multipart/form-data; boundary=" + boundary + "\r\n", body);
    }

private:
    std::string m_base;
    std::string m_auth;
    HINTERNET m_session;
};

} // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc != 6) {
        std::fprintf(stderr, "usage: bare_documents BASE_URL LOCAL_PATH COUNT NAME_PREFIX ACCESS_TOKEN\n");
        return 2;
    }
    try {
        Client client(Narrow(argv[1]), Narrow(argv[5]));
        const long count = std::wcstol(argv[3], nullptr, 10);
        const auto start = std::chrono::steady_clock::now();
        for (long i = 0; i < count; ++i)
            client.AddDocument(Narrow(argv[4]) + std::to_string(i) + ".bin", argv[2]);
        const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - start;
        std::printf("run %.3f %ld\n", seconds.count(), count);
        return 0;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
}
