// Box files brought to the host's path as the host drives it: listed at a start point, then
// retrieved by index or, for header-only items, by their stored id. A path holds the whole
// content or nothing new.
#include "RetrievalFixture.h"

#include <psapi.h>

using namespace RetrievalTests;

namespace {

struct DownloadCase {
    const char* name;
    const char* file;  // seed of the one listed file
    const char* fault; // on its content, "" for none
    bool expireToken;
    bool deleteFirst;
    HRESULT expected;
    const wchar_t* issue; // "Quentra.SyncIssueType", nullptr for none
};

const DownloadCase kDownloadCases[] = {
    {"Small", R"({"name":"a.bin","pattern":{"size":70000,"seed":2}})", "", false, false, S_OK, nullptr},
    {"Empty", R"({"name":"a.bin","content_text":""})", "", false, false, S_OK, nullptr},
    {"ExpiredTokenRenewedOnce", R"({"name":"a.bin","content_text":"abc"})", "", true, false, S_OK, nullptr},
    {"NotReadyThenReady", R"({"name":"a.bin","content_text":"abc"})",
     R"({"status":202,"headers":{"Retry-After":"1"}})", false, false, S_OK, nullptr},
    {"NeverReady", R"({"name":"a.bin","content_text":"abc"})",
     R"({"status":202,"headers":{"Retry-After":"1"},"times":4})", false, false, E_FAIL, L"ERROR"},
    {"CutShort", R"({"name":"a.bin","content_text":"abc"})",
     R"({"status":200,"text":"0123456789","content_type":"application/octet-stream","truncate_at":4})", false,
     false, E_FAIL, L"ERROR"},
    {"GoneFromBox", R"({"name":"a.bin","content_text":"abc"})", "", false, true, S_FALSE, nullptr},
};

class BoxDownload : public RetrievalTest, public ::testing::WithParamInterface<DownloadCase> {};

TEST_P(BoxDownload, ThePathHoldsTheWholeContentOrNoFile)
{
    const DownloadCase& c = GetParam();
    const std::string id = ListRoot(std::string("[") + c.file + "]").at(0);
    if (*c.fault) {
        Json::Value fault = ParseJson(c.fault);
        fault["method"] = "GET";
        fault["path"] = "/2.0/files/" + id + "/content";
        standIn_.AddFault(fault);
    }
    if (c.expireToken)
        ExpireAccessToken();
    if (c.deleteFirst)
        standIn_.Post("item/delete", ParseJson(R"({"type":"file","id":")" + id + "\"}"));
    const std::wstring path = folder.File(L"a.bin");
    TalvernCommon::unique_bstr fileName;

    EXPECT_EQ(c.expected, filter->raw_RetrieveItemToPath(0, _bstr_t(path.c_str()), fileName.put(), item.get(),
                                                         VARIANT_FALSE, _bstr_t(L"item 0")));
    EXPECT_STREQ(L"a.bin", fileName.get());
    EXPECT_EQ(c.expected == S_OK ? std::vector<std::wstring>{L"a.bin"} : std::vector<std::wstring>{}, FilesIn(folder));
    if (c.expected == S_OK) {
        EXPECT_EQ(standIn_.Item("file", id)["sha1"].asString(), Sha1Hex(path));
    }
    EXPECT_EQ(c.issue ? std::optional<std::wstring>(c.issue) : std::nullopt, item->Text(L"Quentra.SyncIssueType"));
    EXPECT_FALSE(item->Has(L"Quentra.FromServerETag")); // Box's own tag stands, from the listing
    EXPECT_EQ(c.expireToken ? 1 : 0, StandInTokens()["refresh_count"].asInt());
}

INSTANTIATE_TEST_SUITE_P(Cases, BoxDownload, ::testing::ValuesIn(kDownloadCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(RetrievalTest, AStopFromAnotherThreadEndsTheDownloadAtOnceAndLeavesNoFile)
{
    const std::string id = ListRoot(R"([{"name":"a.bin","content_text":"abc"}])").at(0);
    standIn_.AddFault(
        ParseJson(R"({"method":"GET","path":"/2.0/files/)" + id + R"(/content","action":"hang","hang_ms":30000})"));
    std::chrono::steady_clock::time_point stoppedAt;
    std::thread stopper([&] {
        BoxRoad::WaitUntil([&] { return informer_->StopQueries() >= 3; }, std::chrono::seconds(20));
        stoppedAt = std::chrono::steady_clock::now();
        informer_->RequestStop();
    });
    const HRESULT hr = Retrieve(0, folder.File(L"a.bin"));
    const auto ended = std::chrono::steady_clock::now();
    stopper.join();

    EXPECT_EQ(E_ABORT, hr);
    EXPECT_LT(ended - stoppedAt, std::chrono::milliseconds(500));
    EXPECT_TRUE(FilesIn(folder).empty());
    EXPECT_FALSE(item->Has(L"Quentra.SyncIssueType"));
}

TEST_F(RetrievalTest, ALargeFileIsStreamedToThePathInBoundedMemory)
{
    constexpr uint64_t kSize = 300ULL * 1024 * 1024 + 7;
    const std::string id = ListRoot(R"([{"name":"big.bin","pattern":{"size":)" + std::to_string(kSize) +
                                    R"(,"seed":5}}])")
                               .at(0);
    PROCESS_MEMORY_COUNTERS before{};
    ::GetProcessMemoryInfo(::GetCurrentProcess(), &before, sizeof(before));

    ASSERT_EQ(S_OK, Retrieve(0, folder.File(L"big.bin")));
    PROCESS_MEMORY_COUNTERS after{};
    ::GetProcessMemoryInfo(::GetCurrentProcess(), &after, sizeof(after));
    EXPECT_EQ(standIn_.Item("file", id)["sha1"].asString(), Sha1Hex(folder.File(L"big.bin")));
    EXPECT_LT(after.PeakPagefileUsage - before.PagefileUsage, kSize / 4);
}

TEST_F(RetrievalTest, NoDownloadWithoutAPathOrWhenAskedToSkip)
{
    ListRoot(R"([{"name":"a.bin","content_text":"abc"}])");
    TalvernCommon::unique_bstr fileName;
    EXPECT_EQ(S_OK, filter->raw_RetrieveItemToPath(0, _bstr_t(L""), fileName.put(), item.get(), VARIANT_FALSE,
                                                   nullptr));
    EXPECT_EQ(nullptr, fileName.get());
    EXPECT_EQ(S_OK, Retrieve(0, folder.File(L"a.bin"), VARIANT_TRUE));
    EXPECT_EQ(E_INVALIDARG, Retrieve(1, folder.File(L"a.bin")));
    EXPECT_TRUE(FilesIn(folder).empty());
    EXPECT_EQ(0u, Journal("GET /2.0/files/{file_id}/content").size());
}

TEST_F(RetrievalTest, HeaderOnlyItemsAreFetchedByTheirStoredIdWithTheTagReadBefore)
{
    const std::string id = ListRoot(R"([{"name":"m.msg","content_text":"message"}])").at(0);
    const std::string etag = standIn_.Item("file", id)["etag"].asString();
    ASSERT_EQ(S_OK, filter->SetHeaderOnlyFlag(0, 0));
    item->SetText(L"Quentra.FromServerFileId", AnsiToWide(id));
    item->SetText(L"Quentra.FromServerFileName", L"m.msg");
    const std::wstring path = folder.File(L"m.msg");
    TalvernCommon::unique_bstr fileName;

    ASSERT_EQ(S_OK, filter->raw_RetrieveIndividualItemToPath(item.get(), _bstr_t(path.c_str()), fileName.put(),
                                                             VARIANT_FALSE, nullptr));
    EXPECT_STREQ(L"m.msg", fileName.get());
    EXPECT_EQ(standIn_.Item("file", id)["sha1"].asString(), Sha1Hex(path));
    EXPECT_EQ(AnsiToWide(etag), item->Text(L"Quentra.FromServerETag"));
    EXPECT_EQ(S_FALSE, filter->raw_RetrieveIndividualItemToPathProperties(item.get()));

    standIn_.Post("item/delete", ParseJson(R"({"type":"file","id":")" + id + "\"}"));
    EXPECT_TRUE(FAILED(filter->raw_RetrieveIndividualItemToPath(item.get(), _bstr_t(path.c_str()), nullptr,
                                                                VARIANT_FALSE, nullptr)));
}

} // namespace
