// A result's content downloaded for the host, kept in memory or not, and downloads that failed.
#include "BrowseSearchFixture.h"

#include "LSFileSystem.h"
#include "ScratchFolder.h"

#include <chrono>
#include <memory>
#include <thread>

using namespace BrowseSearch;
using namespace std::chrono_literals;

namespace {

constexpr char kContentRoute[] = "GET /2.0/files/{file_id}/content";
constexpr char kFileRoute[] = "GET /2.0/files/{file_id}";

class ResultDownload : public BrowseSearchTest {
protected:
    // The download host that Box redirects to lies outside Box's API; every other request is checked.
    void TearDown() override
    {
        for (const Json::Value& entry : Journal()) {
            const bool downloadHost = entry["path"].asString().rfind("/_download/", 0) == 0;
            EXPECT_TRUE(downloadHost || entry["api"]["status"].asString() == "ok") << entry["request_line"].asString();
        }
        standIn_.Post("journal/clear");
        BrowseSearchTest::TearDown();
    }

    HRESULT Download(const std::wstring& fileIdOrUrl, const std::wstring& path)
    {
        return DownloadThrough(*filter_, fileIdOrUrl, path);
    }
    static HRESULT DownloadThrough(FilterTests::BoxFilter& filter, const std::wstring& fileIdOrUrl,
                                   const std::wstring& path)
    {
        return static_cast<ILSQueryOnlinePageResults*>(&filter)->raw_DownloadFileContents(
            _bstr_t(fileIdOrUrl.c_str()), _bstr_t(path.c_str()));
    }

    std::string SeedText(const std::string& text) const
    {
        return Seed(R"({"files": [{"name": "result.txt", "parent_id": "0", "content_text": ")" + text + R"("}]})")["files"][0]
            .asString();
    }

    ScratchFolder scratch_{L"browse-search-downloads"};
};

// Box may still prepare the content at first (202): the download waits its Retry-After.
TEST_F(ResultDownload, ASmallFileIsReusedForItsVersionWithinTenSecondsALargeOneNever)
{
    const std::string id = SeedText("first");
    const std::wstring target = scratch_.File(L"result.txt");
    AddFault(R"({"method": "GET", "path": "/2.0/files/*/content", "status": 202, "headers": {"Retry-After": "1"}})");

    ASSERT_EQ(S_OK, Download(Wide(id), target));
    ASSERT_EQ(S_OK, Download(std::wstring(kApplicationUrl) + L"/file/" + Wide(id) + L"/", scratch_.File(L"again.txt")));
    EXPECT_EQ("first", ReadFileBytes(scratch_.File(L"again.txt")));
    EXPECT_EQ(2u, Journal(kContentRoute).size());

    UpdateItem("file", id, R"({"content_text": "second"})");
    ASSERT_EQ(S_OK, Download(Wide(id), target));
    EXPECT_EQ("second", ReadFileBytes(target)) << "a new version is never answered from memory";
    EXPECT_EQ(3u, Journal(kContentRoute).size());

    std::this_thread::sleep_for(std::chrono::milliseconds(10100));
    ASSERT_EQ(S_OK, Download(Wide(id), target));
    EXPECT_EQ("second", ReadFileBytes(target));
    EXPECT_EQ(4u, Journal(kContentRoute).size());

    const std::string large = standIn_.SeedPatternFile("large.bin", 17 * 1024 * 1024, 3);
    for (int time = 0; time < 2; ++time)
        ASSERT_EQ(S_OK, Download(Wide(large), target));
    EXPECT_EQ(6u, Journal(kContentRoute).size()) << "a large file is fetched each time";
    EXPECT_EQ(17u * 1024 * 1024, LSFileSystem::ReadBinaryFile(target).size());
}

// A second host thread's download waits for the first one's, which waits out Box's 202, as for a
// request: both windows answer meanwhile, and the host's stop ends the second one's wait.
TEST_F(ResultDownload, AThreadWaitingForAnotherThreadsDownloadAnswersItsWindowAndStops)
{
    // Ids no earlier run of this case used, so that no content it left in memory answers the first download.
    static int run = 0;
    const std::string firstId = std::to_string(8210 + ++run), secondId = "9" + firstId;
    Seed(R"({"files": [{"name": "first.txt", "content_text": "first", "id": ")" + firstId +
         R"("}, {"name": "second.txt", "content_text": "second", "id": ")" + secondId + R"("}]})");
    AddFault(R"({"method": "GET", "path": "/2.0/files/*/content", "status": 202, "headers": {"Retry-After": "4"}})");
    // The first download holds the lock until it asks for the content again.
    const auto firstHeld = [&] { return Journal(kContentRoute).size() == 1u; };
    HRESULT first = E_UNEXPECTED;
    BoxRoad::HostThread downloader([&] { first = Download(Wide(firstId), scratch_.File(L"first.txt")); });
    const bool holding = BoxRoad::WaitUntil(
        [&] {
            const Json::Value sends = Journal(kContentRoute);
            return sends.size() == 1 && sends[0]["status"].asInt() == 202;
        },
        10s);

    const auto waiterInformer = TestHost::TestShutdownInformer::Create();
    auto waiterFilter = std::make_unique<FilterTests::BoxFilter>();
    waiterFilter->put_pShutdownInformer(waiterInformer.get());
    HRESULT second = E_UNEXPECTED;
    BoxRoad::HostThread waiter(
        [&] { second = DownloadThrough(*waiterFilter, Wide(secondId), scratch_.File(L"second.txt")); });
    const bool versionAsked = holding && BoxRoad::WaitUntil(
                                             [&] {
                                                 const Json::Value sends = Journal(kFileRoute);
                                                 return sends.size() == 2 && sends[1]["status"].asInt() == 200;
                                             },
                                             10s);
    // Waiting as a request waits, it asks the host whether to stop; a thread blocked on the lock never asks.
    const long queries = waiterInformer->StopQueries();
    const bool waiting =
        versionAsked &&
        BoxRoad::WaitUntil([&] { return waiterInformer->StopQueries() >= queries + 3 || !firstHeld(); }, 10s) &&
        firstHeld();

    waiter.PostToWindow();
    downloader.PostToWindow();
    const bool answered =
        BoxRoad::WaitUntil([&] { return waiter.Answered() == 1 && downloader.Answered() == 1; }, 10s);
    const bool answeredWhileHeld = answered && firstHeld();
    waiterInformer->RequestStop();
    const bool stopped = BoxRoad::WaitUntil([&] { return waiter.Ended(); }, 10s);
    const bool stoppedWhileHeld = stopped && firstHeld();
    EXPECT_EQ(S_OK, downloader.Result());
    EXPECT_EQ(S_OK, waiter.Result());

    EXPECT_TRUE(waiting) << "the second download did not ask the host whether to stop while it waited";
    EXPECT_TRUE(answeredWhileHeld) << "a window did not answer while another thread downloaded";
    EXPECT_TRUE(stoppedWhileHeld) << "the stop did not end the wait for the other download";
    EXPECT_EQ(E_ABORT, second);
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesW(scratch_.File(L"second.txt").c_str()));
    EXPECT_EQ(S_OK, first);
    EXPECT_EQ("first", ReadFileBytes(scratch_.File(L"first.txt")));
}

struct NestedDownloadCase {
    const char* name;
    // Ids of the test's own, so that no row meets the content another one left in memory.
    std::string first;
    const char* fault;
    const char* route;
    HRESULT nested;
};

class NestedDownload : public ResultDownload, public ::testing::WithParamInterface<NestedDownloadCase> {};

// A download started from a window message while another waits for Box: run, or refused at once.
TEST_P(NestedDownload, RunsOrIsRefusedButNeverWaitsForItsOwnThread)
{
    const std::string first = GetParam().first, second = "9" + first;
    Seed(R"({"files": [{"name": "first.txt", "content_text": "first", "id": ")" + first +
         R"("}, {"name": "second.txt", "content_text": "second", "id": ")" + second + R"("}]})");
    AddFault(GetParam().fault);
    HRESULT outer = E_UNEXPECTED, nested = E_UNEXPECTED;
    ASSERT_TRUE(BoxRoad::RunWithNestedCall([&] { outer = Download(Wide(first), scratch_.File(L"first.txt")); },
                                           [&] { nested = Download(Wide(second), scratch_.File(L"second.txt")); },
                                           [&] { return Journal(GetParam().route).size() == 1u; }));

    EXPECT_EQ(GetParam().nested, nested);
    EXPECT_EQ(S_OK, outer);
    EXPECT_EQ("first", ReadFileBytes(scratch_.File(L"first.txt")));
}

const NestedDownloadCase kNestedDownloads[] = {
    {"WhileTheVersionIsAsked", "801", R"({"method": "GET", "path": "/2.0/files/*", "action": "pass", "delay_ms": 500})",
     kFileRoute, S_OK},
    {"WhileContentIsAwaited", "802",
     R"({"method": "GET", "path": "/2.0/files/*/content", "status": 202, "headers": {"Retry-After": "1"}})",
     kContentRoute, E_FAIL},
};
INSTANTIATE_TEST_SUITE_P(Moments, NestedDownload, ::testing::ValuesIn(kNestedDownloads), BoxRoad::CaseName());

struct FailedDownloadCase {
    const char* name;
    const char* switches;
    const char* fault;
};

class FailedDownload : public ResultDownload, public ::testing::WithParamInterface<FailedDownloadCase> {};

TEST_P(FailedDownload, FailsAndWritesNothing)
{
    const std::string id = SeedText("content");
    standIn_.SetSwitches(BoxRoad::ParseJson(GetParam().switches));
    if (*GetParam().fault != '\0')
        AddFault(GetParam().fault);
    const std::wstring target = scratch_.File(L"failed.txt");

    EXPECT_EQ(E_FAIL, Download(Wide(id), target));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesW(target.c_str()));
}

const FailedDownloadCase kFailedDownloads[] = {
    {"NotReady", R"({"download_mode": "not_ready"})", ""},
    {"ContentWithoutLocation", R"({"download_mode": "direct"})", ""},
    {"BoxError", "{}",
     R"({"method": "GET", "path": "/2.0/files/*/content", "status": 404,
         "error": {"code": "not_found", "message": "gone"}})"},
};
INSTANTIATE_TEST_SUITE_P(Replies, FailedDownload, ::testing::ValuesIn(kFailedDownloads), BoxRoad::CaseName());

} // namespace
