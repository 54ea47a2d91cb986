// Folders renamed, created and deleted from Outlook; the sync bracket; check-out through Box
// locks; the online change and duplicate checks.
#include "SyncUpFixture.h"

#include "ComOwners.h"
#include "LSHash.h"
#include "LSNamedProperties.h"
#include "LogCapture.h"
#include "StringUtils.h"

using namespace SyncUp;
namespace P = LSNamedProperties;

namespace {

std::string SeedFolder(const TestSupport::BoxStandIn& standIn, const std::string& name)
{
    return standIn.Post("seed", BoxRoad::ParseJson(R"({"folders":[{"name":")" + name + R"(","parent_id":"0"}]})"))
        ["folders"][0].asString();
}

struct RenameCase {
    const char* name;
    const wchar_t* storedName; // nullptr: the folder carries none
    const wchar_t* newName;
    bool refused;
    HRESULT expected;
    VARIANT_BOOL renamed;
    const char* boxName;
};

const RenameCase kRenames[] = {
    {"SameName", L"Docs", L"Docs", false, S_OK, VARIANT_FALSE, "Docs"},
    {"LetterCaseOnly", L"Docs", L"docs", false, S_OK, VARIANT_TRUE, "docs"},
    {"NeverSynced", nullptr, L"Other", false, S_OK, VARIANT_FALSE, "Docs"},
    {"RefusedByBox", L"Docs", L"Taken", true, E_FAIL, VARIANT_FALSE, "Docs"},
};

class FolderRename : public SyncUpTest, public ::testing::WithParamInterface<RenameCase> {};

TEST_P(FolderRename, HappensOnlyForARealChange)
{
    const RenameCase& rename = GetParam();
    const std::string id = SeedFolder(standIn_, "Docs");
    if (rename.refused)
        AddFault(R"({"method":"PUT","path":"/2.0/folders/*","status":409,"error":{"code":"item_name_in_use"}})");
    const ItemMap mapi = TestPropertyMap::Create();
    mapi->SetText(L"0x3001001f", rename.newName);
    const ItemMap sync = TestPropertyMap::Create();
    sync->SetText(L"Quentra.FolderLocation", AnsiToWide(id));
    if (rename.storedName != nullptr)
        sync->SetText(L"Quentra.FromServerFileName", rename.storedName);
    VARIANT_BOOL renamed = 7;

    EXPECT_EQ(rename.expected, filter_->raw_UpdateFolder(0, mapi.get(), sync.get(), &renamed));
    EXPECT_EQ(rename.renamed, renamed);
    EXPECT_EQ(rename.boxName, standIn_.Item("folder", id)["name"].asString());
    EXPECT_EQ(rename.renamed || rename.refused, RequestCount() > 0);
}

INSTANTIATE_TEST_SUITE_P(SyncUp, FolderRename, ::testing::ValuesIn(kRenames),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(SyncUpTest, ANewOutlookFolderBecomesABoxFolderUnderACleanName)
{
    const ItemMap parent = TestPropertyMap::Create();
    parent->SetText(L"Quentra.FolderLocation", L"0");
    const ItemMap folder = TestPropertyMap::Create();
    folder->SetText(L"DisplayName", L"Q1:Plans");
    ASSERT_EQ(S_OK, filter_->raw_CreateFolder(0, parent.get(), folder.get()));

    const Json::Value children = standIn_.Item("folder", "0")["children"];
    ASSERT_EQ(1u, children.size());
    const std::wstring id = AnsiToWide(children[0]["id"].asString());
    EXPECT_EQ("Q1 Plans", children[0]["name"].asString());
    EXPECT_EQ(L"Box", Text(folder, P::QuentraRepositoryType));
    EXPECT_EQ(id, Text(folder, P::QuentraFolderLocation));
    EXPECT_EQ(id, Text(folder, P::QuentraRepositoryLocation));
    EXPECT_NE(std::wstring::npos, Text(folder, P::QuentraFolderLocationUrl).find(id));
    EXPECT_EQ(std::wstring(CLSHash::GetGuidForString(id)), Text(folder, P::UniqueId));
    EXPECT_EQ(L"Q1 Plans", Text(folder, P::DisplayName));
}

TEST_F(SyncUpTest, DeletesRemoveFilesAndFoldersAndWhatIsGoneCountsAsDone)
{
    const ItemMap file = SyncedItem(SeedFile("a.txt"));
    const ItemMap folder = TestPropertyMap::Create();
    folder->SetText(L"Quentra.FolderLocation", AnsiToWide(SeedFolder(standIn_, "Old")));
    TalvernCommon::unique_bstr error;
    for (int pass = 0; pass < 2; ++pass) {
        EXPECT_EQ(S_OK, filter_->DeleteItemByLocation(file.get(), error.put()));
        EXPECT_EQ(S_OK, filter_->DeleteItemByLocation(folder.get(), error.put()));
    }
    EXPECT_TRUE(standIn_.Item("folder", "0")["children"].empty());

    const int before = RequestCount();
    file->SetText(L"Quentra.FromServerFileId", L"1/../2");
    EXPECT_EQ(E_INVALIDARG, filter_->DeleteItemByLocation(file.get(), error.put()));
    EXPECT_EQ(before, RequestCount());
}

TEST_F(SyncUpTest, TheSyncBracketHoldsTheRunOnlyUntilItEnds)
{
    FilterTests::CountingUnknown run;
    ASSERT_EQ(S_OK, filter_->raw_StartSync(0, &run, 0));
    filter_->CacheFieldSetFor(&run);
    EXPECT_EQ(3u, run.References());
    ASSERT_EQ(S_OK, filter_->raw_EndSync());
    EXPECT_EQ(1u, run.References());

    LogCapture log;
    EXPECT_EQ(S_OK, filter_->raw_SetCurrentProfileName(_bstr_t(L"Work")));
    EXPECT_EQ(S_OK, filter_->raw_SetCurrentProfileName(_bstr_t(L"Home")));
    EXPECT_TRUE(log.Contains(google::GLOG_ERROR, "Cached profile name is different from currentWork -> cur Home"));
}

TEST_F(SyncUpTest, ACheckOutIsABoxLockUntilCancelled)
{
    const std::string id = SeedFile("doc.txt");
    const ItemMap document = SyncedItem(id);
    ILSLockingSyncFilter* const locking = filter_.get();
    unsigned char checkedOut = 7;

    ASSERT_EQ(S_OK, locking->raw_Checkout(document.get()));
    EXPECT_FALSE(standIn_.Item("file", id)["lock"].isNull());
    ASSERT_EQ(S_OK, locking->raw_IsCheckedOut(document.get(), &checkedOut));
    EXPECT_EQ(255, checkedOut);
    ASSERT_EQ(S_OK, locking->raw_CancelCheckout(document.get()));
    EXPECT_TRUE(standIn_.Item("file", id)["lock"].isNull());
    ASSERT_EQ(S_OK, locking->raw_IsCheckedOut(document.get(), &checkedOut));
    EXPECT_EQ(0, checkedOut);

    const int before = RequestCount();
    checkedOut = 7;
    document->SetText(L"Quentra.FromServerFileId", L"");
    EXPECT_EQ(E_FAIL, locking->raw_Checkout(document.get()));
    document->SetText(L"Quentra.FromServerFileId", L"12?fields=x");
    EXPECT_EQ(E_INVALIDARG, locking->raw_IsCheckedOut(document.get(), &checkedOut));
    EXPECT_EQ(7, checkedOut);
    EXPECT_EQ(before, RequestCount());
}

struct ChangeCase {
    const char* name;
    bool localChange;
    bool conflict;
    double overwriteDate; // < 0: absent
    bool remoteDate;
    const wchar_t* overwriteTag; // nullptr: absent
    bool knownTagIsCurrent;
    long expected;
    bool asksBox;
};

const ChangeCase kChanges[] = {
    {"NoSyncDate", false, false, -1, false, nullptr, true, 0, false},
    {"OverwriteDateZero", false, false, 0.0, true, nullptr, false, 0, false},
    {"LocalChangeWithEmptyOverwriteTag", true, false, -1, true, L"", true, 2, false},
    {"ConflictWithEmptyOverwriteTag", false, true, 45000, false, L"", true, 2, false},
    {"EmptyOverwriteTagOnly", false, false, -1, true, L"", true, 0, true},
    {"SameTag", false, false, -1, true, nullptr, true, 0, true},
    {"OtherTag", false, false, -1, true, nullptr, false, 1, true},
};

class OnlineChange : public SyncUpTest, public ::testing::WithParamInterface<ChangeCase> {};

TEST_P(OnlineChange, FollowsTheDocumentsMarks)
{
    const ChangeCase& change = GetParam();
    const std::string id = SeedFile("doc.txt");
    const ItemMap document = TestPropertyMap::Create();
    document->SetText(L"Quentra.FromServerFileId", AnsiToWide(id));
    document->SetText(L"Quentra.FromServerETag",
                      change.knownTagIsCurrent ? AnsiToWide(standIn_.Item("file", id)["etag"].asString()) : L"x");
    document->SetFlag(L"Quentra.MessageIsUnchanged", !change.localChange);
    if (change.conflict)
        document->SetText(L"Quentra.SyncIssueType", L"CONFLICT");
    if (change.overwriteDate >= 0)
        document->SetDate(L"VESK.UserRequestedOverwriteServerLastModified", change.overwriteDate);
    if (change.remoteDate)
        document->SetDate(L"RemoteFileLastModified", 45000);
    if (change.overwriteTag != nullptr)
        document->SetText(L"Quentra.UserRequestedOverwriteServerETag", change.overwriteTag);
    const ItemMap top = TestPropertyMap::Create();
    long result = -1;

    ASSERT_EQ(S_OK, filter_->raw_HasChangesOnline(top.get(), document.get(), &result, informer_.get(), 0));
    EXPECT_EQ(change.expected, result);
    EXPECT_EQ(change.asksBox, RequestCount() > 0);
}

INSTANTIATE_TEST_SUITE_P(SyncUp, OnlineChange, ::testing::ValuesIn(kChanges),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(SyncUpTest, ADuplicateIsFoundBySearchOrElseInTheListing)
{
    standIn_.Post("seed", BoxRoad::ParseJson(R"({"files":[{"name":"a.pdf","parent_id":"0","id":"601",
        "content_text":"a","metadata":{"enterprise":{"fingerprints":{"fingerprint":"HASH1"}}}}]})"));
    const ItemMap folder = TestPropertyMap::Create();
    folder->SetText(L"Quentra.FolderLocation", L"0");
    for (const bool searchFails : {false, true}) {
        if (searchFails)
            AddFault(R"({"method":"GET","path":"/2.0/search","status":200,)"
                     R"("json":{"entries":[],"total_count":0,"limit":1,"offset":0}})");
        TalvernCommon::unique_bstr duplicate;
        long found = 0;
        ASSERT_EQ(S_OK, filter_->raw_HasDuplicateOnline(0, folder.get(), _bstr_t(L"HASH1"), duplicate.put(), &found,
                                                        informer_.get()));
        EXPECT_EQ(1, found);
        EXPECT_STREQ(L"601", duplicate.get());
        EXPECT_EQ(searchFails ? 1u : 0u, Journal("GET /2.0/folders/{folder_id}/items").size());
    }
}

} // namespace
