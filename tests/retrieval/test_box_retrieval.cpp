// Box files brought into Outlook as the host drives it: listed at a start point, retrieved by
// index (the path holds the whole content or no new file) or, for header-only items, by their
// stored id; their named properties; the main folder's properties.
#include "BoxSyncFixture.h"
#include "ComDef.h"
#include "ComOwners.h"
#include "DigestHex.h"
#include "LSDiag.h"
#include "ScratchFolder.h"

#include <psapi.h>

#include <thread>

namespace {

using namespace SyncDown;
using BoxOperations::Wide;
using BoxRoad::ParseJson;
using TestHost::TestPropertyMap;

class Retrieval : public BoxSyncTest {
protected:
    void SetUp() override
    {
        BoxSyncTest::SetUp();
        // Content from the API address itself: the journal then holds only Box operations.
        standIn_.SetSwitches(ParseJson(R"({"download_mode":"direct"})"));
    }
    // Seeds the files into the root folder and lists it at a start point; the first one's id.
    std::string ListRoot(const std::string& files)
    {
        const std::string id = Seed(R"({"files":)" + files + "}")["files"][0].asString();
        EXPECT_EQ(S_OK, host_.raw_SetSyncStartPoint(root_.get(), F, F, F, 0, F));
        return id;
    }
    HRESULT Retrieve(const std::wstring& path, VARIANT_BOOL skip = F, unsigned short index = 0)
    {
        return host_.raw_RetrieveItemToPath(index, _bstr_t(path.c_str()), nullptr, item_.get(), skip, nullptr);
    }
    std::string StoredSha1(const std::string& id) const { return standIn_.Item("file", id)["sha1"].asString(); }
    static std::string Sha1Of(const std::wstring& path) { return TestSupport::Sha1Hex(CLSHash::GetSha1ForFile(path)); }
    // Temporary files included.
    size_t FileCount() const
    {
        WIN32_FIND_DATAW found{};
        const HANDLE search = ::FindFirstFileW((folder_.Path() + L"\\*").c_str(), &found);
        size_t files = 0;
        for (BOOL more = search != INVALID_HANDLE_VALUE; more; more = ::FindNextFileW(search, &found))
            files += (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? 0 : 1;
        ::FindClose(search);
        return files;
    }

    ScratchFolder folder_{L"box-retrieval"};
    const std::wstring path_ = folder_.File(L"a.bin");
    const TalvernCommon::com_ptr<TestPropertyMap> root_ = StartFolder(L"0"), item_ = TestPropertyMap::Create();
};

struct DownloadCase {
    const char* name;
    const char* file; // seed of the one listed file
    const char* fault; // scripted reply to its content request, "" for none
    bool expireToken, deleteFirst;
    HRESULT expected;
    const wchar_t* issue; // "Quentra.SyncIssueType" afterwards, nullptr for none
};

const DownloadCase kDownloadCases[] = {
    {"Small", R"({"name":"a.bin","pattern":{"size":70000,"seed":2}})", "", false, false, S_OK, nullptr},
    {"Empty", R"({"name":"a.bin","content_text":""})", "", false, false, S_OK, nullptr},
    {"ExpiredTokenRenewedOnce", R"({"name":"a.bin","content_text":"abc"})", "", true, false, S_OK, nullptr},
    {"NotReadyThenReady", R"({"name":"a.bin","content_text":"abc"})", R"({"status":202,"headers":{"Retry-After":"1"}})",
     false, false, S_OK, nullptr},
    {"NeverReady", R"({"name":"a.bin","content_text":"abc"})",
     R"({"status":202,"headers":{"Retry-After":"1"},"times":4})", false, false, E_FAIL, L"ERROR"},
    {"CutShort", R"({"name":"a.bin","content_text":"abc"})",
     R"({"status":200,"text":"0123456789","content_type":"application/octet-stream","truncate_at":4})", false, false,
     E_FAIL, L"ERROR"},
    {"GoneFromBox", R"({"name":"a.bin","content_text":"abc"})", "", false, true, S_FALSE, nullptr},
};

class BoxDownload : public Retrieval, public ::testing::WithParamInterface<DownloadCase> {};

TEST_P(BoxDownload, ThePathHoldsTheWholeContentOrNoFile)
{
    const DownloadCase& c = GetParam();
    const std::string id = ListRoot(std::string("[") + c.file + "]");
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
    TalvernCommon::unique_bstr fileName;

    EXPECT_EQ(c.expected, host_.raw_RetrieveItemToPath(0, _bstr_t(path_.c_str()), fileName.put(), item_.get(), F,
                                                       _bstr_t(L"item 0")));
    EXPECT_STREQ(L"a.bin", fileName.get());
    EXPECT_EQ(c.expected == S_OK ? 1u : 0u, FileCount());
    EXPECT_EQ(c.expected == S_OK ? StoredSha1(id) : "", c.expected == S_OK ? Sha1Of(path_) : "");
    EXPECT_EQ(c.issue ? std::optional<std::wstring>(c.issue) : std::nullopt, item_->Text(L"Quentra.SyncIssueType"));
    EXPECT_FALSE(item_->Has(L"Quentra.FromServerETag")); // Box's own tag stands, from the listing
    EXPECT_EQ(c.expireToken ? 1 : 0, StandInTokens()["refresh_count"].asInt());
}

INSTANTIATE_TEST_SUITE_P(Cases, BoxDownload, ::testing::ValuesIn(kDownloadCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(Retrieval, AStopFromAnotherThreadEndsTheDownloadAtOnceAndLeavesNoFile)
{
    const std::string id = ListRoot(R"([{"name":"a.bin","content_text":"abc"}])");
    AddFault(R"({"method":"GET","path":"/2.0/files/)" + id + R"(/content","action":"hang","hang_ms":30000})");
    std::chrono::steady_clock::time_point stoppedAt;
    std::thread stopper([&] {
        BoxRoad::WaitUntil([&] { return informer_->StopQueries() >= 3; }, std::chrono::seconds(20));
        stoppedAt = std::chrono::steady_clock::now();
        informer_->RequestStop();
    });
    EXPECT_EQ(E_ABORT, Retrieve(path_));
    const auto ended = std::chrono::steady_clock::now();
    stopper.join();
    EXPECT_LT(ended - stoppedAt, std::chrono::milliseconds(500));
    EXPECT_EQ(0u, FileCount());
    EXPECT_FALSE(item_->Has(L"Quentra.SyncIssueType"));
}

TEST_F(Retrieval, ALargeFileIsStreamedToThePathInBoundedMemory)
{
    constexpr uint64_t kSize = 300ULL * 1024 * 1024 + 7;
    const std::string id = ListRoot(R"([{"name":"big.bin","pattern":{"size":)" + std::to_string(kSize) + "}}]");
    PROCESS_MEMORY_COUNTERS before{}, after{};
    ::GetProcessMemoryInfo(::GetCurrentProcess(), &before, sizeof(before));
    ASSERT_EQ(S_OK, Retrieve(path_));
    ::GetProcessMemoryInfo(::GetCurrentProcess(), &after, sizeof(after));
    EXPECT_EQ(StoredSha1(id), Sha1Of(path_));
    EXPECT_LT(after.PeakPagefileUsage - before.PagefileUsage, kSize / 4);
}

TEST_F(Retrieval, NothingIsDownloadedWithoutAPathWhenAskedToSkipOrBeyondTheListing)
{
    ListRoot(R"([{"name":"a.bin","content_text":"abc"}])");
    TalvernCommon::unique_bstr fileName;
    EXPECT_EQ(S_OK, host_.raw_RetrieveItemToPath(0, _bstr_t(L""), fileName.put(), item_.get(), F, nullptr));
    EXPECT_EQ(nullptr, fileName.get());
    EXPECT_EQ(S_OK, Retrieve(path_, T));
    EXPECT_EQ(E_INVALIDARG, Retrieve(path_, F, 1));
    EXPECT_EQ(E_INVALIDARG, host_.raw_SetItemProperties(1, item_.get(), 0));
    EXPECT_EQ(0u, FileCount());
    EXPECT_EQ(0u, Journal("GET /2.0/files/{file_id}/content").size());
}

TEST_F(Retrieval, HeaderOnlyItemsAreFetchedByTheirStoredIdWithTheTagReadBefore)
{
    const std::string id = ListRoot(R"([{"name":"m.msg","content_text":"message"}])");
    ASSERT_EQ(S_OK, filter_->SetHeaderOnlyFlag(0, 0));
    item_->SetText(L"Quentra.FromServerFileId", Wide(id));
    item_->SetText(L"Quentra.FromServerFileName", L"m.msg");
    TalvernCommon::unique_bstr fileName;

    ASSERT_EQ(S_OK, filter_->raw_RetrieveIndividualItemToPath(item_.get(), _bstr_t(path_.c_str()), fileName.put(), F,
                                                              nullptr));
    EXPECT_STREQ(L"m.msg", fileName.get());
    EXPECT_EQ(StoredSha1(id), Sha1Of(path_));
    EXPECT_EQ(Wide(standIn_.Item("file", id)["etag"].asString()), item_->Text(L"Quentra.FromServerETag"));
    EXPECT_EQ(S_FALSE, filter_->raw_RetrieveIndividualItemToPathProperties(item_.get()));
}

using Texts = std::vector<std::pair<std::wstring, std::wstring>>;

struct ItemKind {
    const char* name;
    const char* file;
    bool headerOnly;
    Texts expected;
    std::vector<std::wstring> absent;
};

const char kMail[] = R"({"name":"m.msg","content_text":"x","metadata":{"enterprise":{"mailProps":{"from":"Ann",
    "subject":"Hi","to":"Bob","received":"2024-03-01T10:00:00Z","conversationindex":"01AB","hasattachments":1}}}})";

const ItemKind kItemKinds[] = {
    {"Document", R"({"name":"r.docx","content_text":"x"})", false,
     {{L"ows-PermMask", L"0x7FFFFFFFFFFFFFFF"}, {L"Quentra.FromServerFileName", L"r.docx"}, {L"ows-CheckoutUser", L""}},
     {L"0x0037001f", L"0x0c1a001f", L"VESK.DuplicateHash"}},
    {"MailHeaderOnly", kMail, true,
     {{L"0x0037001f", L"Hi"}, {L"0x0c1a001f", L"Ann"}, {L"0x0042001f", L"Ann"}, {L"0x0e04001f", L"Bob"},
      {L"0x00710102", L"01AB"}},
     {}},
    {"MailInFull", kMail, false, {}, {L"0x0037001f", L"0x0c1a001f", L"0x0e060040"}},
    {"MailWithoutMetadataHeaderOnly", R"({"name":"p.msg","content_text":"x"})", true, {}, {L"0x0037001f"}},
    {"Locked",
     R"({"name":"l.docx","content_text":"x","lock":{"expires_at":null,"is_download_prevented":false,
        "created_by":{"id":"9","name":"Zed","login":"zed@example.com"}}})",
     false, {{L"ows-CheckoutUser", L"zed@example.com"}}, {}},
    {"Fingerprinted",
     R"({"name":"f.pdf","content_text":"x","metadata":{"enterprise":{"fingerprints":{"fingerprint":"ab12"}}}})",
     false, {{L"VESK.DuplicateHash", L"ab12"}}, {}},
};

class BoxItemProperties : public Retrieval, public ::testing::WithParamInterface<ItemKind> {};

TEST_P(BoxItemProperties, TheHostReceivesWhatTheListingKnowsInOneBatch)
{
    const ItemKind& kind = GetParam();
    const std::string id = ListRoot(std::string("[") + kind.file + "]");
    if (kind.headerOnly)
        filter_->SetHeaderOnlyFlag(0, 0);

    ASSERT_EQ(S_OK, host_.raw_SetItemProperties(0, item_.get(), 0));
    EXPECT_EQ(1, item_->ItemStrsCalls());
    EXPECT_EQ(Wide(id), item_->Text(L"Quentra.FromServerFileId"));
    EXPECT_EQ(VESKBoxSyncFilterImpl::GetApplicationUrl() + L"/file/" + Wide(id),
              item_->Text(L"Quentra.FromServerFileUrl").value_or(L""));
    EXPECT_EQ(Wide(standIn_.Item("file", id)["etag"].asString()), item_->Text(L"Quentra.FromServerETag"));
    EXPECT_TRUE(item_->Date(L"RemoteFileLastModified").has_value());
    for (const auto& [name, value] : kind.expected)
        EXPECT_EQ(value, item_->Text(name)) << LSDiag::LogText(name);
    for (const std::wstring& name : kind.absent)
        EXPECT_FALSE(item_->Has(name)) << LSDiag::LogText(name);
}

INSTANTIATE_TEST_SUITE_P(Kinds, BoxItemProperties, ::testing::ValuesIn(kItemKinds),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(Retrieval, MainFolderPropertiesComeInOrderAndStopAtTheFirstRefusedWrite)
{
    UpdateItem("folder", "0", R"({"permissions":{"can_upload":false,"can_delete":false}})");
    const std::string id = Seed(R"({"files":[{"name":"only.docx","content_text":"x"}]})")["files"][0].asString();
    root_->SetText(L"FilterPropertyName", L"FileId");
    root_->SetText(L"FilterPropertyValue", Wide(id));
    ASSERT_EQ(S_OK, host_.raw_SetSyncStartPoint(root_.get(), F, F, F, 0, F));
    const auto folderMap = TestPropertyMap::Create(), refusing = TestPropertyMap::Create();

    ASSERT_EQ(S_OK, host_.raw_SetMainFolderProperties(folderMap.get()));
    const std::vector<std::wstring> order{
        L"Quentra.RepositoryType", L"Quentra.RepositoryTypeDisplayName", L"Quentra.RepositoryLocation",
        L"VESK.RepositoryOriginalLocation", L"Quentra.FolderLocation", L"Quentra.FolderLocationUrl",
        L"Quentra.SyncDisabled", L"Quentra.MainFolder", L"VESK.PermMask2", L"FilterPropertyName",
        L"FilterPropertyValue"};
    EXPECT_EQ(order, folderMap->WriteOrder());
    EXPECT_EQ(L"Box", folderMap->Text(L"Quentra.RepositoryTypeDisplayName"));
    EXPECT_EQ(L"0x0000000000000001", folderMap->Text(L"VESK.PermMask2"));
    // The start folder's map stays the filter's: its change token can still be reset.
    EXPECT_EQ(S_OK, host_.raw_ResetChangeCache());
    EXPECT_EQ(L"", root_->Text(L"ChangeToken"));

    refusing->FailWrites(L"Quentra.FolderLocation", E_ACCESSDENIED);
    EXPECT_EQ(E_ACCESSDENIED, host_.raw_SetMainFolderProperties(refusing.get()));
    // What Box adds does not hang on the framework's part.
    const std::vector<std::wstring> written{order[0], order[1], order[2], order[3], order[9], order[10]};
    EXPECT_EQ(written, refusing->WriteOrder());
    EXPECT_EQ(E_INVALIDARG, host_.raw_SetMainFolderProperties(nullptr));
}

} // namespace
