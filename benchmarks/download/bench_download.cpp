// Downloads a URL with CLSBaseWS::DownloadFileWithWinInet a number of times and prints, per run,
// "run <seconds> <size of the file written>", then the process's private memory line.
//   bench_download URL TARGET REPEATS [Name=Value...]   (request headers)
#include "BenchMain.h"
#include "BenchMemory.h"
#include "BenchTiming.h"
#include "LSBaseWS.h"

#include <windows.h>

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

int Run(int argc, wchar_t** argv)
{
    const LSHttpHeaderMap headers = HeadersFrom(argc, argv, 4);
    const int repeats = std::wcstol(argv[3], nullptr, 10);
    const SIZE_T baseline = Bench::PrivateBytes();
    for (int run = 0; run < repeats; ++run) {
        const double seconds = Bench::SecondsOf(
            [&] { CLSBaseWS::DownloadFileWithWinInet(headers, argv[1], argv[2], L"benchmark", nullptr); });
        std::printf("run %.3f %llu\n", seconds, static_cast<unsigned long long>(FileSize(argv[2])));
    }
    Bench::PrintPrivateMemory(baseline);
    return 0;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    return Bench::RunBenchmark(argc >= 4, L"bench_download URL TARGET REPEATS [Name=Value...]",
                               [&] { return Run(argc, argv); });
}
