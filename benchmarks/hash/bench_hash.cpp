// Times CLSHash's file digests on one file; run_bench_hash.py compares them with openssl.
// Usage: bench_hash FILE [REPEATS]. Prints "<algorithm> <digest> <best seconds>" per algorithm.
#include "BenchMain.h"
#include "BenchTiming.h"
#include "DigestHex.h"
#include "LSHash.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>

namespace {

int Run(const CStdStr<wchar_t>& path, int repeats)
{
    CLSHash::Sha1Digest sha1{};
    const double sha1Seconds = Bench::BestSecondsOf(repeats, [&] { sha1 = CLSHash::GetSha1ForFile(path); });
    CStdStr<wchar_t> md5;
    const double md5Seconds =
        Bench::BestSecondsOf(repeats, [&] { CLSHash::GetHashForLocalFile(md5, path, [] { return false; }); });
    if (md5.empty()) {
        std::fprintf(stderr, "bench_hash: could not hash the file\n");
        return 1;
    }
    std::printf("sha1 %s %.6f\n", TestSupport::Sha1Hex(sha1).c_str(), sha1Seconds);
    std::printf("md5 %ls %.6f\n", md5.c_str(), md5Seconds);
    return 0;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    return Bench::RunBenchmark(argc >= 2, L"bench_hash FILE [REPEATS]", [&] {
        const int repeats = argc > 2 ? std::max(1, static_cast<int>(std::wcstol(argv[2], nullptr, 10))) : 3;
        return Run(argv[1], repeats);
    });
}
