// The bare reference of the listing and download benchmarks: GETs each URL of a list in turn with
// WinINet alone (redirects followed, 1 MiB reads), and nothing else. Prints "run <seconds> <bytes>"
// per repeat; the body of the last URL goes to TARGET ("-" drops every body; a TARGET ending in a
// backslash is a folder that gets body i as <i>.bin in new files, as a retrieval of many files
// writes them, and that is emptied again after each run).
//   bare_wininet_get URL_LIST TARGET REPEATS [Name: value...]   (request headers)
#include <windows.h>
#include <wininet.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <fstream>
#include <string>
#include <vector>

namespace {

constexpr DWORD kBlock = 1024 * 1024;

std::vector<std::wstring> ReadLines(const wchar_t* path)
{
    std::vector<std::wstring> lines;
    std::ifstream file(path);
    for (std::string line; std::getline(file, line);) {
        if (!line.empty())
            lines.emplace_back(line.begin(), line.end());
    }
    return lines;
}

uint64_t Get(HINTERNET session, const std::wstring& url, const std::wstring& headers, HANDLE target,
             std::vector<char>& buffer)
{
    HINTERNET request = ::InternetOpenUrlW(session, url.c_str(), headers.c_str(), static_cast<DWORD>(headers.size()),
                                           INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE |
                                               INTERNET_FLAG_NO_COOKIES | INTERNET_FLAG_KEEP_CONNECTION,
                                           0);
    if (request == nullptr) {
        std::fprintf(stderr, "InternetOpenUrl failed: %lu\n", ::GetLastError());
        std::exit(1);
    }
    uint64_t total = 0;
    DWORD read = 0;
    while (::InternetReadFile(request, buffer.data(), kBlock, &read) && read != 0) {
        total += read;
        DWORD written = 0;
        if (target != INVALID_HANDLE_VALUE)
            ::WriteFile(target, buffer.data(), read, &written, nullptr);
    }
    ::InternetCloseHandle(request);
    return total;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc < 4) {
        std::fprintf(stderr, "usage: bare_wininet_get URL_LIST TARGET REPEATS [Name: value...]\n");
        return 2;
    }
    const std::vector<std::wstring> urls = ReadLines(argv[1]);
    const std::wstring targetArgument = argv[2];
    const bool keepAll = !targetArgument.empty() && targetArgument.back() == L'\\';
    const bool keepLast = !keepAll && targetArgument != L"-";
    std::wstring headers;
    for (int i = 4; i < argc; ++i)
        headers += std::wstring(argv[i]) + L"\r\n";
    std::vector<char> buffer(kBlock);
    HINTERNET session = ::InternetOpenW(L"bare", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
    for (long run = 0, repeats = std::wcstol(argv[3], nullptr, 10); run < repeats; ++run) {
        const auto start = std::chrono::steady_clock::now();
        uint64_t bytes = 0;
        for (size_t i = 0; i < urls.size(); ++i) {
            const std::wstring path = keepAll ? targetArgument + std::to_wstring(i) + L".bin" : targetArgument;
            HANDLE target = keepAll || (keepLast && i + 1 == urls.size())
                                ? ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr)
                                : INVALID_HANDLE_VALUE;
            bytes += Get(session, urls[i], headers, target, buffer);
            if (target != INVALID_HANDLE_VALUE)
                ::CloseHandle(target);
        }
        const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - start;
        std::printf("run %.3f %llu\n", seconds.count(), static_cast<unsigned long long>(bytes));
        for (size_t i = 0; keepAll && i < urls.size(); ++i)
            ::DeleteFileW((targetArgument + std::to_wstring(i) + L".bin").c_str());
    }
    ::InternetCloseHandle(session);
    return 0;
}
