// Runs one sync pass of the sync driver program as a child process and watches it: its wall-clock
// time from start to exit and its private memory, sampled every 5 ms while it runs (the figures
// go with the process). What the pass prints passes through. Prints "run <seconds> <exit code>",
// then "memory <first sample> <last sample> <peak>".
//   bench_two_way_sync SYNC_PROGRAM LOCAL_FOLDER STATE_FILE BOX_FOLDER_ID
#include "BenchMain.h"
#include "BenchMemory.h"
#include "UniqueResource.h"

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <stdexcept>
#include <string>

namespace {

std::wstring CommandLine(wchar_t** argv, int count)
{
    std::wstring line;
    for (int i = 0; i < count; ++i)
        line += (i == 0 ? L"\"" : L" \"") + std::wstring(argv[i]) + L"\"";
    return line;
}

int WatchPass(wchar_t** argv)
{
    std::wstring command = CommandLine(argv + 1, 4);
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info = {};
    std::fflush(stdout);
    const auto start = std::chrono::steady_clock::now();
    if (!::CreateProcessW(argv[1], command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &info))
        throw std::runtime_error("cannot start the sync program");
    const TalvernCommon::unique_handle process(info.hProcess);
    const TalvernCommon::unique_handle thread(info.hThread);

    SIZE_T first = 0;
    SIZE_T last = 0;
    SIZE_T peak = 0;
    do {
        const SIZE_T now = Bench::PrivateBytesOf(process.get());
        if (now == 0)
            continue;
        first = first == 0 ? now : first;
        last = now;
        peak = std::max(peak, now);
    } while (::WaitForSingleObject(process.get(), 5) == WAIT_TIMEOUT);
    const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - start;

    DWORD exitCode = 1;
    ::GetExitCodeProcess(process.get(), &exitCode);
    std::printf("run %.6f %lu\nmemory %lu %lu %lu\n", seconds.count(), static_cast<unsigned long>(exitCode),
                static_cast<unsigned long>(first), static_cast<unsigned long>(last), static_cast<unsigned long>(peak));
    return 0;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    return Bench::RunBenchmark(argc == 5, L"bench_two_way_sync SYNC_PROGRAM LOCAL_FOLDER STATE_FILE BOX_FOLDER_ID",
                               [argv] { return WatchPass(argv); });
}
