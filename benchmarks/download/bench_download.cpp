// Downloads a URL with CLSBaseWS::DownloadFileWithWinInet a number of times and prints, per run,
// the seconds it took and the size of the file written.
//   bench_download URL TARGET REPEATS [Name=Value...]   (request headers)
#include "LSBaseWS.h"
#include "LSHttpError.h"

#include <windows.h>

#include <chrono>
#include <cstdio>
#include <cwchar>
#include <string>

namespace {

uint64_t FileSize(const wchar_t* path)
{
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    if (!::GetFileAttributesExW(path, GetFileExInfoStandard, &data))
        return 0;
    return (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

LSHttpHeaderMap HeadersFrom(int argc, wchar_t** argv, int first)
{
    LSHttpHeaderMap headers;
    for (int i = first; i < argc; ++i) {
        const std::wstring pair = argv[i];
        const size_t equals = pair.find(L'=');
        if (equals != std::wstring::npos)
            headers[pair.substr(0, equals)] = pair.substr(equals + 1);
    }
    return headers;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc < 4) {
        std::fwprintf(stderr, L"usage: bench_download URL TARGET REPEATS [Name=Value...]\n");
        return 2;
    }
    const LSHttpHeaderMap headers = HeadersFrom(argc, argv, 4);
    const int repeats = std::wcstol(argv[3], nullptr, 10);
    try {
        for (int run = 0; run < repeats; ++run) {
            const auto started = std::chrono::steady_clock::now();
            CLSBaseWS::DownloadFileWithWinInet(headers, argv[1], argv[2], L"benchmark", nullptr);
            const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - started;
            std::printf("%.3f %llu\n", elapsed.count(), static_cast<unsigned long long>(FileSize(argv[2])));
        }
    } catch (const LSHttpError& error) {
        std::fwprintf(stderr, L"%ls\n", error.FormatMessage().c_str());
        return 1;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    } catch (HRESULT hr) {
        std::fprintf(stderr, "HRESULT 0x%08lx\n", static_cast<unsigned long>(hr));
        return 1;
    }
    return 0;
}
