// Folders renamed, created and deleted; the sync bracket; Box locks; online change and duplicate checks.
#include "SyncUpFixture.h"

#include "ComOwners.h"
#include "ScratchFolder.h"

using namespace SyncUp;

namespace {

struct RenameCase { const wchar_t* storedName; const wchar_t* newName; bool refused; HRESULT expected; bool renamed; };

const RenameCase kRenames[] = {
    {L"Docs", L"Docs", false, S_OK, false},
    {L"Docs", L"docs", false, S_OK, true},
    {nullptr, L"Other", false, S_OK, false},
    {L"Docs", L"Taken", true, E_FAIL, false},
};

class FolderRename : public SyncUpTest, public ::testing::WithParamInterface<RenameCase> {};

TEST_P(FolderRename, HappensOnlyForARealChangeAndReportsOnlyASuccess)
{
    const RenameCase& rename = GetParam();
    const std::string id = Seed("folder", "Docs");
    if (rename.refused)
        AddFault(R"({"method":"PUT","path":"/2.0/folders/*","status":409,"error":{"code":"item_name_in_use"}})");
    const ItemMap sync = Map({{L"Quentra.FolderLocation", AnsiToWide(id).c_str()}});
    if (rename.storedName != nullptr)
        sync->SetText(L"Quentra.FromServerFileName", rename.storedName);
    VARIANT_BOOL renamed = 7;

    EXPECT_EQ(rename.expected,
              filter_->raw_UpdateFolder(0, Map({{L"0x3001001f", rename.newName}}).get(), sync.get(), &renamed));
    EXPECT_EQ(rename.renamed ? VARIANT_TRUE : VARIANT_FALSE, renamed);
    EXPECT_EQ(rename.renamed ? "docs" : "Docs", standIn_.Item("folder", id)["name"].asString());
    EXPECT_EQ(rename.renamed || rename.refused, RequestCount() > 0);
}

INSTANTIATE_TEST_SUITE_P(SyncUp, FolderRename, ::testing::ValuesIn(kRenames));

TEST_F(SyncUpTest, ANewOutlookFolderBecomesABoxFolderUnderACleanName)
{
    const ItemMap folder = Map({{L"DisplayName", L"Q1:Plans"}});
    ASSERT_EQ(S_OK, filter_->raw_CreateFolder(0, Map({{L"Quentra.FolderLocation", L"0"}}).get(), folder.get()));

    ASSERT_EQ(1u, RootChildren().size());
    const std::string id = RootChildren()[0]["id"].asString();
    EXPECT_EQ("Q1 Plans", RootChildren()[0]["name"].asString());
    EXPECT_EQ(L"Box", Text(folder, L"Quentra.RepositoryType"));
    EXPECT_EQ(AnsiToWide(id), Text(folder, L"Quentra.FolderLocation"));
    EXPECT_NE(std::wstring::npos, Text(folder, L"Quentra.FolderLocationUrl").find(AnsiToWide(id)));
    EXPECT_EQ(Guid(id), Text(folder, L"UniqueId"));
}

TEST_F(SyncUpTest, DeletesRemoveFilesAndFoldersAndWhatIsGoneCountsAsDone)
{
    const ItemMap file = SyncedItem(Seed("file", "a.txt"));
    const std::string old = Seed("folder", "Old");
    standIn_.Post("seed", BoxRoad::ParseJson(R"({"files":[{"name":"in.txt","parent_id":")" + old + R"("}]})"));
    const ItemMap folder = Map({{L"Quentra.FolderLocation", AnsiToWide(old).c_str()}});
    TalvernCommon::unique_bstr error;
    for (int pass = 0; pass < 2; ++pass) {
        EXPECT_EQ(S_OK, filter_->DeleteItemByLocation(file.get(), error.put()));
        EXPECT_EQ(S_OK, filter_->DeleteItemByLocation(folder.get(), error.put()));
    }
    EXPECT_TRUE(RootChildren().empty());
}

TEST_F(SyncUpTest, TheSyncBracketHoldsTheRunOnlyUntilItEnds)
{
    FilterTests::CountingUnknown run;
    ASSERT_EQ(S_OK, filter_->raw_StartSync(0, &run, 0));
    filter_->CacheFieldSetFor(&run);
    EXPECT_EQ(3u, run.References());
    ASSERT_EQ(S_OK, filter_->raw_EndSync());
    EXPECT_EQ(1u, run.References());
}

TEST_F(SyncUpTest, ACheckOutIsABoxLockUntilCancelledAndOnlyBoxIdsAreAsked)
{
    const std::string id = Seed("file", "doc.txt");
    const ItemMap document = SyncedItem(id);
    unsigned char checkedOut = 7;
    for (const bool lock : {true, false}) {
        ASSERT_EQ(S_OK, lock ? filter_->raw_Checkout(document.get()) : filter_->raw_CancelCheckout(document.get()));
        EXPECT_EQ(lock, !standIn_.Item("file", id)["lock"].isNull());
        ASSERT_EQ(S_OK, filter_->raw_IsCheckedOut(document.get(), &checkedOut));
        EXPECT_EQ(lock ? 255 : 0, checkedOut);
    }
    standIn_.Post("item", BoxRoad::ParseJson(R"({"type":"file","id":")" + id +
                                             R"(","lock":{"expires_at":null,"created_by":{"id":"9"}}})"));
    EXPECT_EQ(E_FAIL, filter_->raw_Checkout(document.get())) << "another user's lock";
    EXPECT_EQ(E_FAIL, filter_->raw_CancelCheckout(document.get()));
    const int before = RequestCount();
    checkedOut = 7;
    document->SetText(L"Quentra.FromServerFileId", L"12?fields=x");
    EXPECT_EQ(E_INVALIDARG, filter_->raw_IsCheckedOut(document.get(), &checkedOut));
    EXPECT_EQ(E_INVALIDARG, filter_->DeleteItemByLocation(document.get(), TalvernCommon::unique_bstr().put()));
    EXPECT_EQ(7, checkedOut);
    EXPECT_EQ(before, RequestCount());
    AddFault(R"({"method":"GET","path":"/2.0/files/*","status":403,"error":{"code":"access_denied_insufficient_permissions"}})");
    EXPECT_EQ(E_FAIL, filter_->raw_IsCheckedOut(SyncedItem(id).get(), &checkedOut));
    EXPECT_EQ(7, checkedOut);
}

// Box answers 202 while it prepares content; a stop during that wait ends the download at once.
TEST_F(SyncUpTest, AStopDuringTheWaitForContentEndsTheDownload)
{
    const ScratchFolder folder{L"sync-up-stop"};
    const ItemMap item = SyncedItem(Seed("file", "a.txt"));
    AddFault(R"({"method":"GET","path":"/2.0/files/*/content","status":202,"headers":{"Retry-After":"60"}})");
    const auto started = std::chrono::steady_clock::now();
    const BoxUploads::WhenThen stop([&] { return !Requests("GET", "/2.0/files/*/content").empty(); },
                                    [&] { ::Sleep(500), informer_->RequestStop(); });
    EXPECT_EQ(E_ABORT, filter_->raw_RetrieveIndividualItemToPath(item.get(), _bstr_t(folder.File(L"a").c_str()),
                                                                 nullptr, VARIANT_FALSE, nullptr));
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(20)) << "the stop waited for Box";
}

struct ChangeCase { bool localChange, conflict; double overwriteDate; bool remoteDate; const wchar_t* overwriteTag;
                    bool knownTagIsCurrent; long expected; bool asksBox; };

const ChangeCase kChanges[] = {
    {false, false, -1, false, nullptr, true, 0, false},   // no date of a synchronised file
    {false, false, 0.0, true, nullptr, false, 0, false},  // overwrite date 0.0
    {true, false, -1, true, L"", true, 2, false},         // local change, empty overwrite tag
    {false, true, 45000, false, L"", true, 2, false},     // conflict, empty overwrite tag
    {false, false, -1, true, L"", true, 0, true},         // empty overwrite tag alone is skipped; same tag
    {false, false, -1, true, nullptr, false, 1, true},    // another tag on Box
};

class OnlineChange : public SyncUpTest, public ::testing::WithParamInterface<ChangeCase> {};

TEST_P(OnlineChange, FollowsTheDocumentsMarks)
{
    const ChangeCase& change = GetParam();
    const std::string id = Seed("file", "doc.txt");
    const std::wstring tag = change.knownTagIsCurrent ? AnsiToWide(standIn_.Item("file", id)["etag"].asString()) : L"x";
    const ItemMap document = Map({{L"Quentra.FromServerFileId", AnsiToWide(id).c_str()},
                                  {L"Quentra.FromServerETag", tag.c_str()},
                                  {L"Quentra.SyncIssueType", change.conflict ? L"CONFLICT" : L""}});
    document->SetFlag(L"Quentra.MessageIsUnchanged", !change.localChange);
    if (change.overwriteDate >= 0)
        document->SetDate(L"VESK.UserRequestedOverwriteServerLastModified", change.overwriteDate);
    if (change.remoteDate)
        document->SetDate(L"RemoteFileLastModified", 45000);
    if (change.overwriteTag != nullptr)
        document->SetText(L"Quentra.UserRequestedOverwriteServerETag", change.overwriteTag);
    long result = -1;

    ASSERT_EQ(S_OK, filter_->raw_HasChangesOnline(Map({}).get(), document.get(), &result, informer_.get(), 0));
    EXPECT_EQ(change.expected, result);
    EXPECT_EQ(change.asksBox, RequestCount() > 0);
}

INSTANTIATE_TEST_SUITE_P(SyncUp, OnlineChange, ::testing::ValuesIn(kChanges));

TEST_F(SyncUpTest, ADuplicateIsFoundBySearchOrElseInTheListing)
{
    standIn_.Post("seed", BoxRoad::ParseJson(R"({"files":[{"name":"a.pdf","parent_id":"0","id":"601",
        "content_text":"a","metadata":{"enterprise":{"fingerprints":{"fingerprint":"HASH1"}}}}]})"));
    for (const bool searchFindsNothing : {false, true}) {
        if (searchFindsNothing)
            AddFault(R"({"method":"GET","path":"/2.0/search","status":200,)"
                     R"("json":{"entries":[],"total_count":0,"limit":1,"offset":0}})");
        TalvernCommon::unique_bstr duplicate;
        long found = 0;
        ASSERT_EQ(S_OK, filter_->raw_HasDuplicateOnline(0, Map({{L"Quentra.FolderLocation", L"0"}}).get(),
                                                        _bstr_t(L"HASH1"), duplicate.put(), &found, informer_.get()));
        EXPECT_EQ(1, found);
        EXPECT_STREQ(L"601", duplicate.get());
        EXPECT_EQ(searchFindsNothing ? 1u : 0u, Journal("GET /2.0/folders/{folder_id}/items").size());
    }
}

} // namespace
