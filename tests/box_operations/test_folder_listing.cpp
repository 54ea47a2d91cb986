// Listing fidelity: what a folder listing, a single-document listing and the id listing make of
// the stand-in's folders, files, web links, locks, metadata and dates, page after page.
#include "OperationsFixture.h"

#include "BoxExceptions.h"
#include "BoxFolderListing.h"
#include "HResultException.h"
#include "TestPropertyMap.h"

using namespace BoxOperations;

namespace {

constexpr char kItemsRoute[] = "GET /2.0/folders/{folder_id}/items";

// A folder "500" holding two sub-folders, four files and a web link: seven entries.
constexpr char kMixedFolder[] = R"({
  "folders": [
    {"name": "Synced", "id": "500"},
    {"name": "Open", "parent_id": "500", "id": "501", "modified_at": "2024-01-05T00:00:00Z"},
    {"name": "Closed", "parent_id": "500", "id": "502", "modified_at": "2024-01-06T00:00:00Z",
     "permissions": {"can_delete": false, "can_upload": false}}],
  "files": [
    {"name": "report.docx", "parent_id": "500", "id": "601", "content_text": "r",
     "modified_at": "2024-03-01T10:00:00-08:00", "version_number": 3, "etag": 7},
    {"name": "mail.msg", "parent_id": "500", "id": "602", "content_text": "m",
     "modified_at": "2024-02-01T00:00:00Z",
     "metadata": {"enterprise": {
       "mailProps": {"from": "a@example.com", "subject": "Hello", "received": "2024-01-31T08:30:00Z",
                     "hasattachments": 1},
       "fingerprints": {"fingerprint": "abc123"}}}},
    {"name": "locked.xlsx", "parent_id": "500", "id": "603", "content_text": "l",
     "modified_at": "2024-01-20T00:00:00Z", "lock": {"expires_at": null, "is_download_prevented": true}},
    {"name": "stale.pdf", "parent_id": "500", "id": "604", "content_text": "s",
     "modified_at": "2024-01-10T00:00:00Z",
     "lock": {"expires_at": "2020-01-01T00:00:00Z",
              "created_by": {"id": "999", "name": "Other", "login": "other@example.com"}}}],
  "web_links": [{"name": "Portal", "parent_id": "500", "url": "https://example.com", "id": "701"}]
})";

template <typename Record>
std::vector<std::wstring> Ids(const std::vector<Record>& records)
{
    std::vector<std::wstring> ids;
    for (const auto& record : records)
        ids.push_back(record.Id);
    return ids;
}

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

class FolderListing : public OperationsTest {
protected:
    Box_20::FolderListing List(const std::wstring& folderId, uint32_t pageSize,
                               const Box_20::MetadataScopeRecord& scope = FullScope())
    {
        CStdStr<wchar_t> token;
        return Box_20::GetFolderContents(nullptr, informer_.get(), folderId, pageSize, pageSize, token, {}, scope);
    }
};

TEST_F(FolderListing, ReadsEveryPageAndKeepsWhatBoxSaysOfFoldersAndFilesButNoWebLinks)
{
    Seed(kMixedFolder);

    const Box_20::FolderListing listing = List(L"500", 2);

    EXPECT_EQ((std::vector<std::wstring>{L"502", L"501"}), Ids(listing.Folders)) << "folders come first, newest first";
    ASSERT_EQ((std::vector<std::wstring>{L"601", L"602", L"603", L"604"}), Ids(listing.Files));
    for (size_t i = 0; i < listing.Files.size(); ++i)
        EXPECT_EQ(static_cast<int32_t>(i), listing.Files[i].ListingPosition);
    // Seven entries in pages of two: the web link alone fills the fourth page.
    const std::vector<std::string> queries = Queries(kItemsRoute);
    ASSERT_EQ(4u, queries.size());
    for (size_t i = 0; i < queries.size(); ++i)
        EXPECT_EQ(i > 0, Contains(queries[i], "&marker=")) << queries[i];

    EXPECT_TRUE(listing.Folders[0].IsReadOnly()) << "neither delete nor upload permitted";
    EXPECT_FALSE(listing.Folders[1].IsReadOnly());
    EXPECT_DOUBLE_EQ(UtcDate(2024, 3, 1, 18), listing.Files[0].ModifiedDate) << "the offset is applied";
    EXPECT_EQ(L"2024-03-01T10:00:00-08:00", listing.Files[0].ModifiedDateText) << "the text stays as Box wrote it";
    const Box_20::FileRecord& mail = listing.Files[1];
    ASSERT_NE(nullptr, mail.EmailProps);
    EXPECT_DOUBLE_EQ(UtcDate(2024, 1, 31, 8, 30), mail.EmailProps->Received.Date);
    EXPECT_EQ(L"abc123", mail.Fingerprint);
    ASSERT_NE(nullptr, listing.Files[2].Lock);
    EXPECT_EQ(0, listing.Files[2].Lock->ExpiresAt) << "a lock without expiry";
    EXPECT_EQ(nullptr, listing.Files[3].Lock) << "a lock that expired holds the file no longer";

    EXPECT_EQ((std::vector<CStdStr<wchar_t>>{L"502", L"501", L"601", L"602", L"603", L"604"}),
              Box_20::GetFolderContentIds(informer_.get(), L"500", {}, 3));
    EXPECT_EQ(7u, Queries(kItemsRoute).size()) << "ids in pages of three";
}

struct MarkerEndCase {
    const char* style;
    int files;
    size_t expectedRequests;
};

class MarkerEnds : public FolderListing, public ::testing::WithParamInterface<MarkerEndCase> {};

// Box ends marker paging with next_marker null, "" or no member at all.
TEST_P(MarkerEnds, EndTheListingAfterTheLastPage)
{
    standIn_.SetSwitches(BoxRoad::ParseJson(std::string(R"({"marker_end": ")") + GetParam().style + "\"}"));
    const std::string folderId = SeedFolder("F");
    for (int i = 0; i < GetParam().files; ++i)
        Seed(R"({"files": [{"name": "f)" + std::to_string(i) + R"(", "parent_id": ")" + folderId +
             R"(", "content_text": "x"}]})");
    const Box_20::FolderListing listing = List(Wide(folderId), 2);

    EXPECT_EQ(static_cast<size_t>(GetParam().files), listing.Files.size());
    EXPECT_EQ(GetParam().expectedRequests, Queries(kItemsRoute).size());
}

INSTANTIATE_TEST_SUITE_P(FolderListing, MarkerEnds,
                         ::testing::Values(MarkerEndCase{"null", 5, 3}, MarkerEndCase{"empty", 4, 2},
                                           MarkerEndCase{"absent", 0, 1}),
                         [](const ::testing::TestParamInfo<MarkerEndCase>& info) {
                             return std::string(info.param.style) + std::to_string(info.param.files) + "Files";
                         });

TEST_F(FolderListing, ABadFolderIdAsksNothingAndAMissingFolderFailsWithBoxsNotFound)
{
    const auto folderMap = TestHost::TestPropertyMap::Create();
    CStdStr<wchar_t> token = L"kept";
    EXPECT_THROW(Box_20::GetFolderContents(nullptr, informer_.get(), L"12/../34", 100, 100, token, {}, FullScope()),
                 hresult_exception);
    EXPECT_EQ(0u, Journal().size());

    EXPECT_NE(std::wstring::npos, BoxRoad::ApiErrorOf([&] {
                  Box_20::GetFolderContents(folderMap.get(), informer_.get(), L"424242", 100, 100, token, {},
                                            FullScope());
              }).find(L"[Box Error Code]not_found"));
    EXPECT_EQ(L"ERROR", folderMap->Text(L"Quentra.SyncIssueType").value_or(L""));
    EXPECT_EQ(L"kept", token) << "a failed listing leaves the token alone";
}

TEST_F(FolderListing, OneDocumentIsListedWithItsMetadata)
{
    Seed(kMixedFolder);
    const auto folderMap = TestHost::TestPropertyMap::Create();

    const Box_20::FolderListing listing =
        Box_20::GetFolderSingleDocContents(folderMap.get(), informer_.get(), L"602", FullScope());

    ASSERT_EQ(1u, listing.Files.size());
    EXPECT_TRUE(listing.Folders.empty());
    ASSERT_NE(nullptr, listing.Files[0].EmailProps);
    EXPECT_EQ(L"Hello", listing.Files[0].EmailProps->Subject);
    EXPECT_EQ(1u, Journal("GET /2.0/files/{file_id}").size());
}

} // namespace
