// Times CLSHash's file digests on one file; run_bench_hash.py compares them with openssl.
// Usage: bench_hash FILE [REPEATS]. Prints "<algorithm> <digest> <best seconds>" per algorithm.
#include "LSHash.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <functional>
#include <string>

namespace {

double Seconds(const std::function<void()>& run)
{
    LARGE_INTEGER frequency{}, start{}, end{};
    ::QueryPerformanceFrequency(&frequency);
    ::QueryPerformanceCounter(&start);
    run();
    ::QueryPerformanceCounter(&end);
    return static_cast<double>(end.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
}

double Best(int repeats, const std::function<void()>& run)
{
    double best = Seconds(run);
    for (int i = 1; i < repeats; ++i)
        best = std::min(best, Seconds(run));
    return best;
}

std::string Hex(const CLSHash::Sha1Digest& digest)
{
    std::string text;
    char pair[3] = {};
    for (BYTE b : digest) {
        std::snprintf(pair, sizeof(pair), "%02x", b);
        text += pair;
    }
    return text;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_hash FILE [REPEATS]\n");
        return 2;
    }
    const CStdStr<wchar_t> path = argv[1];
    const int repeats = argc > 2 ? std::max(1, static_cast<int>(std::wcstol(argv[2], nullptr, 10))) : 3;

    CLSHash::Sha1Digest sha1{};
    const double sha1Seconds = Best(repeats, [&] { sha1 = CLSHash::GetSha1ForFile(path); });
    CStdStr<wchar_t> md5;
    const double md5Seconds = Best(repeats, [&] { CLSHash::GetHashForLocalFile(md5, path, [] { return false; }); });
    if (md5.empty()) {
        std::fprintf(stderr, "bench_hash: could not hash the file\n");
        return 1;
    }
    std::printf("sha1 %s %.6f\n", Hex(sha1).c_str(), sha1Seconds);
    std::printf("md5 %ls %.6f\n", md5.c_str(), md5Seconds);
    return 0;
}
