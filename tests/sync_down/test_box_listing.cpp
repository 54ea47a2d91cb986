// The Box filter's folder update cycle through the host interfaces over the Box stand-in.
#include "BoxSyncFixture.h"

#include "LSHash.h"

using namespace SyncDown;
using TestHost::TestPropertyMap;

namespace {

constexpr char kFolder[] = R"({
  "folders": [
    {"name": "Synced", "id": "500"},
    {"name": "Open", "parent_id": "500", "id": "501", "modified_at": "2024-01-06T00:00:00Z"},
    {"name": "Closed", "parent_id": "500", "id": "502", "modified_at": "2024-01-05T00:00:00Z", "permissions": {"can_delete": false, "can_upload": false}}],
  "files": [
    {"name": "report.docx", "parent_id": "500", "id": "601", "content_text": "r", "version_number": 3,
     "modified_at": "2024-03-01T10:00:00Z"},
    {"name": "mail.msg", "parent_id": "500", "id": "602", "content_text": "m", "modified_at": "2024-02-01T00:00:00Z"},
    {"name": "old.txt", "parent_id": "500", "id": "603", "content_text": "o", "modified_at": "2010-01-01T00:00:00Z"}],
  "web_links": [{"name": "Portal", "parent_id": "500", "url": "https://example.com", "id": "701"}]
})";

using BoxFolderUpdate = BoxSyncTest;

TEST_F(BoxFolderUpdate, ListsOnceReusesAndListsIncrementallyAfterTheToken)
{
    Seed(kFolder);
    const auto folder = StartFolder(L"/500/");
    ASSERT_EQ(S_OK, host_.raw_SetSyncStartPoint(folder.get(), F, F, F, 0, F));
    EXPECT_EQ(3u, Journal(kItemsRoute).size()) << "6 entries in pages of 2";
    ASSERT_EQ(S_OK, host_.raw_PreContentSyncFolderUpdate(folder.get(), F, F));
    EXPECT_EQ(3u, Journal(kItemsRoute).size()) << "the start point's listing is reused";

    unsigned short files = 0, folders = 0;
    ASSERT_EQ(S_OK, host_.GetServerItemNameCount(&files) | host_.GetSubFolderCount(&folders));
    ASSERT_EQ((std::make_pair<unsigned short, unsigned short>(3, 2)), std::make_pair(files, folders));
    const auto item = TestPropertyMap::Create();
    ASSERT_EQ(S_OK, host_.raw_GetItemBasicProps(0, item.get()));
    EXPECT_EQ(CLSHash::GetGuidForString(L"601"), item->Text(L"UniqueId"));
    EXPECT_EQ(3, item->Number(L"VersionId"));
    EXPECT_EQ(L"docx", item->Text(L"Extension"));
    EXPECT_EQ(L"601", item->Text(L"Quentra.FromServerFileId"));
    EXPECT_EQ(L"https://app.box.com/file/601", item->Text(L"Quentra.FromServerFileUrl"));
    const auto retrieved = TestPropertyMap::Create();
    ASSERT_EQ(S_OK, host_.raw_SetItemProperties(0, retrieved.get(), 0));
    EXPECT_EQ(L"IPM.Post.VESK.Doc.SharePoint.docx", retrieved->Text(L"Quentra.FormRegionClass"));
    long changes = -1;
    ASSERT_EQ(S_OK, host_.raw_HasChanges(0, item.get(), &changes));
    EXPECT_EQ(1, changes) << "never downloaded: changed on the server";
    EXPECT_EQ(E_INVALIDARG, host_.raw_GetItemBasicProps(3, item.get()));

    const auto open = TestPropertyMap::Create(), closed = TestPropertyMap::Create();
    ASSERT_EQ(S_OK, host_.raw_SetSubFolderProperties(0, open.get()));
    ASSERT_EQ(S_OK, host_.raw_SetSubFolderProperties(1, closed.get()));
    EXPECT_EQ(L"0x7FFFFFFFFFFFFFFF", open->Text(L"VESK.PermMask2"));
    EXPECT_EQ(L"0x0000000000000001", closed->Text(L"VESK.PermMask2"));
    EXPECT_EQ(L"502", closed->Text(L"Quentra.FromServerShortItemId"));
    EXPECT_EQ(L"https://app.box.com/folder/502", closed->Text(L"Quentra.FolderLocationUrl"));

    long more = -1;
    ASSERT_EQ(S_OK, host_.raw_HasMoreItemsAvailable(&more));
    EXPECT_EQ(0, more);
    ASSERT_EQ(S_OK, host_.raw_PostContentSyncFolderUpdate(folder.get()));
    EXPECT_EQ(L"500;2024-03-01T10:00:00Z;;;", folder->Text(L"ChangeToken"));

    // Only what changed since the token is listed; a mode that lists nothing is never reused.
    UpdateItem("file", "602", R"({"modified_at": "2024-05-01T00:00:00Z"})");
    ASSERT_EQ(S_OK, host_.raw_SetSyncStartPoint(folder.get(), F, T, T, 0, F));
    const size_t before = Journal(kItemsRoute).size();
    ASSERT_EQ(S_OK, host_.raw_PreContentSyncFolderUpdate(folder.get(), F, F));
    ASSERT_EQ(S_OK, host_.GetServerItemNameCount(&files));
    EXPECT_EQ(2, files) << "old.txt is older than the token";
    ASSERT_EQ(S_OK, host_.raw_GetItemBasicProps(0, item.get()));
    EXPECT_EQ(L"mail.msg", item->Text(L"FileName"));
    EXPECT_EQ(before + 1, Journal(kItemsRoute).size());

    EXPECT_EQ(S_FALSE, filter_->raw_IsDeleted(_bstr_t(L"777"), 0)) << "the deletion check is off";
    long ids = 0;
    ASSERT_EQ(S_OK, filter_->get_ServerItemCount(0, &ids));
    EXPECT_EQ(5, ids) << "web links are no items";
    TalvernCommon::unique_bstr id;
    EXPECT_EQ(E_INVALIDARG, filter_->get_ServerItem(5, id.put()));
}

TEST_F(BoxFolderUpdate, LimitToDaysLeavesOldFilesOut)
{
    Seed(kFolder);
    settings_.SetDword(SettingsSource::User, L"BoxSync.LimitToDays", 30);
    settings_.SetDword(SettingsSource::User, L"VESK.ShowPreviewToolbarForBox", 1);
    Seed(R"({"files": [{"name": "..new.txt", "parent_id": "500", "content_text": "n"}]})");
    ASSERT_EQ(S_OK, host_.raw_SetSyncStartPoint(StartFolder(L"500").get(), F, F, F, 0, F));
    unsigned short files = 0;
    EXPECT_EQ(S_OK, host_.GetServerItemNameCount(&files));
    EXPECT_EQ(1, files);
    const auto item = TestPropertyMap::Create();
    ASSERT_EQ(S_OK, host_.raw_SetItemProperties(0, item.get(), 0));
    EXPECT_EQ(L"IPM.Post.VESK.Doc.SharePoint.txt.doc", item->Text(L"Quentra.FormRegionClass"))
        << "with the preview toolbar";
}

TEST_F(BoxFolderUpdate, StartPointsByBoxAddress)
{
    Seed(kFolder);
    TalvernCommon::unique_bstr error;
    EXPECT_EQ(E_INVALIDARG, host_.raw_SetSyncStartPointByString(_bstr_t(L"https://example.com/folder/500"),
                                                               error.put()));
    EXPECT_NE(0u, SysStringLen(error.get()));
    EXPECT_EQ(HRESULT(0x80070003), host_.raw_SetSyncStartPoint(StartFolder(L"999").get(), F, F, F, 0, F));
    const size_t requestsBefore = Journal().size();
    EXPECT_EQ(E_INVALIDARG, host_.raw_SetSyncStartPoint(StartFolder(L"5a0").get(), F, F, F, 0, F));
    EXPECT_EQ(requestsBefore, Journal().size()) << "a malformed id reached Box";

    ASSERT_EQ(S_OK, host_.raw_SetSyncStartPointByString(_bstr_t(L"https://app.box.com/folder/500/"), error.put()));
    ASSERT_EQ(S_OK, host_.raw_PreContentSyncFolderUpdate(nullptr, F, F));
    unsigned short files = 0;
    ASSERT_EQ(S_OK, host_.GetServerItemNameCount(&files));
    EXPECT_EQ(3, files) << "the text start point listed nothing, so the folder update lists";
}

} // namespace
