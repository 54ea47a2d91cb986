// Lists a folder of the Box stand-in with Box_20::GetFolderContents a number of times; prints,
// per run, "run <seconds> <files listed> <folders listed>", then the process's private memory:
// before the first listing, at the end, and its peak.
//   bench_listing BASE_URL FOLDER_ID PAGE_SIZE REPEATS ACCESS_TOKEN REFRESH_TOKEN
#include "BenchMain.h"
#include "BenchMemory.h"
#include "BenchTiming.h"
#include "BoxBenchSession.h"
#include "BoxFolderListing.h"

#include <cstdio>
#include <cwchar>
#include <string>

namespace {

int Run(wchar_t** argv)
{
    const Bench::BoxBenchSession session(argv[1], argv[5], argv[6]);
    const std::wstring folderId = argv[2];
    const uint32_t pageSize = static_cast<uint32_t>(std::wcstoul(argv[3], nullptr, 10));
    const int repeats = static_cast<int>(std::wcstol(argv[4], nullptr, 10));
    const Box_20::MetadataScopeRecord scope{L"1234567", L"mailProps", L"fingerprints"};

    const SIZE_T baseline = Bench::PrivateBytes();
    for (int run = 0; run < repeats; ++run) {
        Box_20::FolderListing listing;
        const double seconds = Bench::SecondsOf([&] {
            CStdStr<wchar_t> token;
            listing = Box_20::GetFolderContents(nullptr, nullptr, folderId, pageSize, pageSize, token, {}, scope);
        });
        std::printf("run %.3f %u %u\n", seconds, static_cast<unsigned>(listing.Files.size()),
                    static_cast<unsigned>(listing.Folders.size()));
    }
    Bench::PrintPrivateMemory(baseline);
    return 0;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    return Bench::RunBenchmark(argc == 7, L"bench_listing BASE_URL FOLDER_ID PAGE_SIZE REPEATS ACCESS REFRESH",
                               [&] { return Run(argv); });
}
