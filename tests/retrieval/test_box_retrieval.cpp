// Box files retrieved by index or by stored id, their named properties and the main folder's.
#include "BoxSyncFixture.h"
#include "DigestHex.h"
#include "LSDiag.h"
#include "ScratchFolder.h"

namespace {

using namespace SyncDown;
using BoxOperations::Wide;
using BoxRoad::ParseJson;

class Retrieval : public BoxSyncTest {
protected:
    // Seeds the files into the root folder and lists it at a start point; the first one's id.
    std::string ListRoot(const std::string& files)
    {
        // Content from the API address itself: the journal then holds only Box operations.
        standIn_.SetSwitches(ParseJson(R"({"download_mode":"direct"})"));
        const std::string id = Seed(R"({"files":)" + files + "}")["files"][0].asString();
        EXPECT_EQ(S_OK, host_.raw_SetSyncStartPoint(root_.get(), F, F, F, 0, F));
        return id;
    }
    std::string StoredSha1(const std::string& id) const { return standIn_.Item("file", id)["sha1"].asString(); }
    std::string LocalSha1() const { return TestSupport::Sha1Hex(CLSHash::GetSha1ForFile(file_)); }
    bool Downloaded() const { return ::GetFileAttributesW(path_) != INVALID_FILE_ATTRIBUTES; }

    ScratchFolder folder_{L"box-retrieval"};
    const std::wstring file_ = folder_.File(L"a.bin");
    const _bstr_t path_{file_.c_str()};
    const TalvernCommon::com_ptr<TestHost::TestPropertyMap> root_ = StartFolder(L"0");
    const TalvernCommon::com_ptr<TestHost::TestPropertyMap> item_ = TestHost::TestPropertyMap::Create();
};

constexpr char kAbc[] = R"("content_text":"abc")";

struct DownloadCase {
    const char* name;
    const char* content; // of the one listed file
    const char* fault;   // scripted reply to its content request, "" for none
    char before;         // 'e': the access token expires, 'd': the file is deleted
    HRESULT expected;
    const wchar_t* issue; // "Quentra.SyncIssueType" afterwards, nullptr for none
};

const DownloadCase kDownloadCases[] = {
    {"Small", R"("pattern":{"size":70000,"seed":2})", "", '-', S_OK, nullptr},
    {"Empty", R"("content_text":"")", "", '-', S_OK, nullptr},
    {"Large", R"("pattern":{"size":41943047,"seed":5})", "", '-', S_OK, nullptr},
    {"ExpiredTokenRenewedOnce", kAbc, "", 'e', S_OK, nullptr},
    {"NotReadyThenReady", kAbc, R"("status":202,"headers":{"Retry-After":"1"})", '-', S_OK, nullptr},
    {"NeverReady", kAbc, R"("status":202,"headers":{"Retry-After":"1"},"times":4)", '-', E_FAIL, L"ERROR"},
    {"CutShortOnceIsFetchedAgain", kAbc, R"("status":200,"text":"0123456789","truncate_at":4)", '-', S_OK, nullptr},
    {"CutShortTwice", kAbc, R"("status":200,"text":"0123456789","truncate_at":4,"times":2)", '-', E_FAIL, L"ERROR"},
    {"GoneFromBox", kAbc, "", 'd', S_FALSE, nullptr},
};

class BoxDownload : public Retrieval, public ::testing::WithParamInterface<DownloadCase> {};

TEST_P(BoxDownload, ThePathHoldsTheWholeContentOrNoFile)
{
    const DownloadCase& c = GetParam();
    const std::string id = ListRoot(R"([{"name":"a.bin",)" + std::string(c.content) + "}]");
    if (*c.fault)
        AddFault(R"({"method":"GET","path":"/2.0/files/)" + id + R"(/content",)" + c.fault + "}");
    if (c.before == 'e')
        ExpireAccessToken();
    if (c.before == 'd')
        standIn_.Post("item/delete", ParseJson(R"({"type":"file","id":")" + id + "\"}"));

    TalvernCommon::unique_bstr name;
    EXPECT_EQ(c.expected, host_.raw_RetrieveItemToPath(0, path_, name.put(), item_.get(), F, _bstr_t(L"x")));
    EXPECT_EQ(SUCCEEDED(c.expected) ? L"a.bin" : L"(none)", std::wstring(name ? name.get() : L"(none)"));
    EXPECT_EQ(c.expected == S_OK, Downloaded());
    EXPECT_EQ(c.expected == S_OK ? StoredSha1(id) : "", Downloaded() ? LocalSha1() : "");
    EXPECT_EQ(c.issue ? std::optional<std::wstring>(c.issue) : std::nullopt, item_->Text(L"Quentra.SyncIssueType"));
    EXPECT_FALSE(item_->Has(L"Quentra.FromServerETag")); // Box's own tag stands, from the listing
    EXPECT_EQ(c.before == 'e' ? 1 : 0, StandInTokens()["refresh_count"].asInt());
}

INSTANTIATE_TEST_SUITE_P(Cases, BoxDownload, ::testing::ValuesIn(kDownloadCases), BoxRoad::CaseName());

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
    EXPECT_EQ(E_ABORT, host_.raw_RetrieveItemToPath(0, path_, nullptr, item_.get(), F, nullptr));
    const auto ended = std::chrono::steady_clock::now();
    stopper.join();
    EXPECT_LT(ended - stoppedAt, std::chrono::seconds(10)) << "the stop must not wait out the 30 s hang";
    EXPECT_FALSE(Downloaded());
    EXPECT_FALSE(item_->Has(L"Quentra.SyncIssueType"));
}

TEST_F(Retrieval, OnlyWhatTheHostAsksForIsDownloadedAndHeaderOnlyItemsByTheirStoredId)
{
    const std::string id = ListRoot(R"([{"name":"m.msg","content_text":"message"}])");
    EXPECT_EQ(S_OK, host_.raw_RetrieveItemToPath(0, _bstr_t(L""), nullptr, item_.get(), F, nullptr));
    EXPECT_EQ(S_OK, host_.raw_RetrieveItemToPath(0, path_, nullptr, item_.get(), T, nullptr));
    EXPECT_EQ(E_INVALIDARG, host_.raw_RetrieveItemToPath(1, path_, nullptr, item_.get(), F, nullptr));
    EXPECT_EQ(0u, Journal("GET /2.0/files/{file_id}/content").size());

    ASSERT_EQ(S_OK, filter_->SetHeaderOnlyFlag(0, 0));
    TalvernCommon::unique_bstr name;
    item_->SetText(L"Quentra.FromServerFileName", L"gone.msg");
    item_->SetText(L"Quentra.FromServerFileId", L"424242");
    EXPECT_TRUE(FAILED(filter_->raw_RetrieveIndividualItemToPath(item_.get(), path_, name.put(), F, nullptr)));
    EXPECT_EQ(nullptr, name.get()) << "a failed retrieval hands out no name";
    item_->SetText(L"Quentra.FromServerFileId", Wide(id));
    ASSERT_EQ(S_OK, filter_->raw_RetrieveIndividualItemToPath(item_.get(), path_, nullptr, F, nullptr));
    EXPECT_EQ(StoredSha1(id), LocalSha1());
    // The tag read before the download, not one hashed from it.
    EXPECT_EQ(Wide(standIn_.Item("file", id)["etag"].asString()), item_->Text(L"Quentra.FromServerETag"));
    EXPECT_EQ(S_FALSE, filter_->raw_RetrieveIndividualItemToPathProperties(item_.get()));
}

struct ItemKind {
    const char* name;
    const char* file;
    bool headerOnly;
    std::vector<std::pair<std::wstring, const wchar_t*>> texts; // nullptr: absent
};

const char kMail[] = R"({"name":"m.msg","content_text":"x","metadata":{"enterprise":{"mailProps":{"from":"Ann",
    "subject":"Hi","to":"Bob","received":"2024-03-01T10:00:00Z","conversationindex":"01AB","hasattachments":1}}}})";

const ItemKind kItemKinds[] = {
    {"Document", R"({"name":"r.docx","content_text":"x"})", false,
     {{L"ows-PermMask", L"0x7FFFFFFFFFFFFFFF"}, {L"ows-CheckoutUser", L""}, {L"0x0037001f", nullptr},
      {L"VESK.DuplicateHash", nullptr}}},
    {"MailHeaderOnly", kMail, true,
     {{L"0x0037001f", L"Hi"}, {L"0x0c1a001f", L"Ann"}, {L"0x0e04001f", L"Bob"}, {L"0x00710102", L"01AB"}}},
    {"MailInFull", kMail, false, {{L"0x0037001f", nullptr}, {L"0x0c1a001f", nullptr}, {L"0x0e060040", nullptr}}},
    {"Locked", R"({"name":"l.docx","content_text":"x","lock":{"expires_at":null,"is_download_prevented":false,
        "created_by":{"id":"9","name":"Zed","login":"zed@example.com"}}})",
     false, {{L"ows-CheckoutUser", L"zed@example.com"}}},
    {"ExpiredLock", R"({"name":"l.docx","content_text":"x","lock":{"expires_at":"2020-01-01T00:00:00Z",
        "created_by":{"id":"9","name":"Zed","login":"zed@example.com"}}})", false, {{L"ows-CheckoutUser", L""}}},
    {"Fingerprinted", R"({"name":"f.pdf","content_text":"x","metadata":{"enterprise":{"fingerprints":{
        "fingerprint":"ab12"}}}})", false, {{L"VESK.DuplicateHash", L"ab12"}}},
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
    for (const auto& [name, value] : kind.texts) {
        EXPECT_EQ(value != nullptr, item_->Has(name)) << LSDiag::LogText(name);
        EXPECT_EQ(value ? value : L"", item_->Text(name).value_or(L"")) << LSDiag::LogText(name);
    }
}

INSTANTIATE_TEST_SUITE_P(Kinds, BoxItemProperties, ::testing::ValuesIn(kItemKinds), BoxRoad::CaseName());

// A failure ends the base's writes, but the start point's document filter still goes on the map.
TEST_F(Retrieval, MainFolderPropertiesStopAtTheFirstFailureAndKeepTheDocumentFilter)
{
    UpdateItem("folder", "0", R"({"permissions":{"can_upload":false,"can_delete":false}})");
    const std::string id = Seed(R"({"files":[{"name":"only.docx","content_text":"x"}]})")["files"][0].asString();
    root_->SetText(L"FilterPropertyName", L"FileId");
    root_->SetText(L"FilterPropertyValue", Wide(id));
    ASSERT_EQ(S_OK, host_.raw_SetSyncStartPoint(root_.get(), F, F, F, 0, F));
    const auto folderMap = TestHost::TestPropertyMap::Create(), refusing = TestHost::TestPropertyMap::Create();

    ASSERT_EQ(S_OK, host_.raw_SetMainFolderProperties(folderMap.get()));
    EXPECT_EQ(L"0x0000000000000001", folderMap->Text(L"VESK.PermMask2"));
    // The start folder's map stays the filter's: its change token can still be reset.
    EXPECT_EQ(S_OK, host_.raw_ResetChangeCache());
    EXPECT_EQ(L"", root_->Text(L"ChangeToken"));

    refusing->FailWrites(L"Quentra.FolderLocation", E_ACCESSDENIED);
    EXPECT_EQ(E_ACCESSDENIED, host_.raw_SetMainFolderProperties(refusing.get()));
    EXPECT_FALSE(refusing->Has(L"Quentra.FolderLocationUrl"));
    EXPECT_EQ(Wide(id), refusing->Text(L"FilterPropertyValue"));

    // Not listed, the folder's permissions are asked of Box, which refuses.
    ASSERT_EQ(S_OK, host_.raw_SetSyncStartPoint(root_.get(), T, F, F, 0, F));
    AddFault(R"({"method":"GET","path":"/2.0/folders/0","status":403,"error":{"code":"access_denied_insufficient_permissions"}})");
    const auto unanswered = TestHost::TestPropertyMap::Create();
    EXPECT_EQ(E_FAIL, host_.raw_SetMainFolderProperties(unanswered.get()));
    EXPECT_FALSE(unanswered->Has(L"VESK.PermMask2"));
    EXPECT_EQ(L"FileId", unanswered->Text(L"FilterPropertyName"));
    EXPECT_EQ(Wide(id), unanswered->Text(L"FilterPropertyValue"));
}

} // namespace
