// Lists a folder of the Box stand-in with Box_20::GetFolderContents a number of times; prints,
// per run, "run <seconds> <files listed> <folders listed>"; then "work <seconds> <items> <parse
// seconds>", the filter's own work once the bytes have arrived (parsing the pages and building the
// records, and the parsing alone, best of the runs); and the process's private memory over the
// listings alone (before the first, after the last, and its peak), the pages kept for the work
// figure left out.
//   bench_listing BASE_URL FOLDER_ID PAGE_SIZE REPEATS ACCESS_TOKEN REFRESH_TOKEN
#include "BenchMain.h"
#include "BenchMemory.h"
#include "BenchTiming.h"
#include "BoxBenchSession.h"
#include "BoxCallLoop.h"
#include "BoxFolderListing.h"
#include "BoxJson.h"
#include "BoxListingRecords.h"
#include "BoxUrlBuilders.h"
#include "LSBaseJsonWS.h"

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

namespace {

// Every page of the listing as the bytes that came.
std::vector<std::string> FetchPages(const std::wstring& folderId, uint32_t pageSize,
                                    const Box_20::MetadataScopeRecord& scope)
{
    std::vector<std::string> pages;
    std::wstring marker;
    do {
        const CStdStr<wchar_t> url = Box_20::GetFolderItemsUrl(scope.EnterpriseId, folderId, scope.EmailTemplateName,
                                                               scope.FingerprintTemplateName, pageSize, marker);
        Box_20::BoxStartedRequest request = Box_20::StartBoxRequest(url, nullptr, L"GET");
        CLSBaseWS::FinishAsyncVariantSend(*request.Request, url, _variant_t(), nullptr);
        pages.push_back(CLSBaseJsonWS::ReplyBytes(*request.Request));
        Json::Value page;
        std::string errors;
        CLSBaseJsonWS::TryParseJson(pages.back(), page, errors);
        marker = Box_20::GetJsonString(page, "next_marker");
    } while (!marker.empty());
    return pages;
}

// What the listing does with the pages' bytes: parse them, read each entry's type and date, and
// build the records.
size_t BuildRecords(const std::vector<std::string>& pages, const Box_20::MetadataScopeRecord& scope)
{
    size_t items = 0;
    for (const std::string& bytes : pages) {
        Json::Value page;
        std::string errors;
        CLSBaseJsonWS::TryParseJson(bytes, page, errors);
        for (const Json::Value& entry : page["entries"]) {
            if (Box_20::GetEntryType(entry) == Box_20::EntryType::Folder)
                Box_20::CreateFolderRecord(entry);
            else
                Box_20::CreateFileRecord(entry, scope, Box_20::GetEntryDate(entry));
            ++items;
        }
    }
    return items;
}

int Run(wchar_t** argv)
{
    const Bench::BoxBenchSession session(argv[1], argv[5], argv[6]);
    const std::wstring folderId = argv[2];
    const uint32_t pageSize = static_cast<uint32_t>(std::wcstoul(argv[3], nullptr, 10));
    const int repeats = static_cast<int>(std::wcstol(argv[4], nullptr, 10));
    const Box_20::MetadataScopeRecord scope{L"1234567", L"mailProps", L"fingerprints"};

    const SIZE_T baseline = Bench::PrivateBytes();
    Bench::PeakSampler sampler;
    for (int run = 0; run < repeats; ++run) {
        Box_20::FolderListing listing;
        const double seconds = Bench::SecondsOf([&] {
            CStdStr<wchar_t> token;
            listing = Box_20::GetFolderContents(nullptr, nullptr, folderId, pageSize, pageSize, token, {}, scope);
        });
        std::printf("run %.3f %u %u\n", seconds, static_cast<unsigned>(listing.Files.size()),
                    static_cast<unsigned>(listing.Folders.size()));
    }
    Bench::PrintPrivateMemory(baseline, sampler.Stop());
    const std::vector<std::string> pages = FetchPages(folderId, pageSize, scope);
    size_t items = 0;
    const double work = Bench::BestSecondsOf(repeats, [&] { items = BuildRecords(pages, scope); });
    const double parse = Bench::BestSecondsOf(repeats, [&] {
        for (const std::string& bytes : pages) {
            Json::Value page;
            std::string errors;
            CLSBaseJsonWS::TryParseJson(bytes, page, errors);
        }
    });
    std::printf("work %.3f %u %.3f\n", work, static_cast<unsigned>(items), parse);
    return 0;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    return Bench::RunBenchmark(argc == 7, L"bench_listing BASE_URL FOLDER_ID PAGE_SIZE REPEATS ACCESS REFRESH",
                               [&] { return Run(argv); });
}
