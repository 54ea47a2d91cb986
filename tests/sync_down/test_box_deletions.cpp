// The deletion check (a switch read once per process): gone only when a complete listing lacks it.
#include "BoxSyncFixture.h"

#include <cwchar>

using namespace SyncDown;
using TestHost::TestPropertyMap;

namespace {

class BoxDeletionCheck : public BoxSyncTest {
protected:
    void SetUp() override
    {
        BoxSyncTest::SetUp();
        settings_.SetDword(SettingsSource::User, L"BoxSync.CheckAllForDeletionEachSync", 1);
        settings_.SetDword(SettingsSource::User, L"BoxSync.LimitToDays", 30);
        Seed(R"({"folders": [{"name": "Synced", "id": "500"}],
                 "files": [{"name": "old.txt", "parent_id": "500", "id": "601", "content_text": "o",
                            "modified_at": "2010-01-01T00:00:00Z"}]})");
        ASSERT_EQ(S_OK, host_.raw_SetSyncStartPoint(StartFolder(L"500").get(), T, F, F, 0, F));
    }

    // Runs the call while Box holds its request on the path; meanwhile the host starts at the newer
    // start point (510, or a document in it).
    void RunOvertaken(const std::string& held, const wchar_t* newer, const std::function<void()>& call)
    {
        AddFault(R"({"method": "GET", "path": ")" + held + R"(", "delay_ms": 1000, "action": "pass"})");
        const auto isHeld = [&] {
            for (const Json::Value& entry : Journal()) {
                if (entry["path"].asString() == held && entry["status"].isNull())
                    return true;
            }
            return false;
        };
        HRESULT nested = E_UNEXPECTED;
        EXPECT_TRUE(BoxRoad::RunWithNestedCall(call, [&] {
            nested = host_.raw_SetSyncStartPointByString(_bstr_t(newer), TalvernCommon::unique_bstr().put());
        }, isHeld));
        EXPECT_EQ(S_OK, nested);
    }
};

TEST_F(BoxDeletionCheck, OnlyAMissingIdIsGone)
{
    EXPECT_EQ(S_FALSE, filter_->raw_IsDeleted(_bstr_t(L"601"), 0)) << "an old file is still there";
    EXPECT_EQ(S_OK, filter_->raw_IsDeleted(_bstr_t(L"777"), 0));
    EXPECT_EQ(1u, Journal(kItemsRoute).size()) << "one listing answers every item";
    ASSERT_EQ(S_OK, host_.raw_SetSyncStartPoint(StartFolder(L"500").get(), T, T, T, 0, F));
    EXPECT_EQ(S_FALSE, filter_->raw_IsDeleted(_bstr_t(L"777"), 0)) << "mode 3 never asks";
}

TEST_F(BoxDeletionCheck, ListingThatFailsHalfWayDeletesNothing)
{
    AddFault(R"({"method": "GET", "path": "/2.0/folders/500/items", "query": "marker=m1",
                 "replies": [{"status": 403, "times": 5}]})");
    AddFault(R"({"method": "GET", "path": "/2.0/folders/500/items", "replies": [{"status": 200,
                 "json": {"entries": [{"type": "file", "id": "601", "name": "old.txt"}], "next_marker": "m1"}}]})");
    EXPECT_EQ(S_FALSE, filter_->raw_IsDeleted(_bstr_t(L"777"), 0));
    EXPECT_EQ(S_FALSE, filter_->raw_IsDeleted(_bstr_t(L"778"), 0));
    EXPECT_EQ(2u, Journal(kItemsRoute).size()) << "a failed listing is not repeated for every item";
}

// One filter object serves many folders: each start point, listed or not, sees its folder alone.
// In a row with a request to hold, the call waiting for it is overtaken: meanwhile the host starts
// at the newer start point by a window message. 'o': the start point itself; 'd': the deletion
// check's ids, which must not count 510's item gone; 'p': the permissions of a main folder never
// listed, which must not pass 510 as writable, nor put the newer start point's document filter on
// the older folder's map.
struct Start {
    const wchar_t* where; char how; unsigned short files, folders; const wchar_t* item;
    const char* held = nullptr; char overtaken = 0; const wchar_t* newer = L"510";
    // The start point the row ends at.
    const wchar_t* Current() const { return held != nullptr ? newer : where; }
};
const wchar_t kDocumentIn510[] = L"https://app.box.com/folder/510#filter:file|611";
const Start kStarts[] = {
    {L"https://app.box.com/folder/500#filter:file|601", 't', 1, 0, L"601"},
    {L"https://app.box.com/folder/510", 't', 1, 0, L"611"},
    {L"500", 'l', 0, 1, L"601"}, {L"/510/", 'l', 1, 0, L"611"}, {L"/510/", 'l', 1, 0, L"611"},
    {L"500", 's', 0, 0, L"601"}, {L"/510/", 's', 0, 0, L"611"},
    {L"500", 'l', 0, 0, L"611", "/2.0/folders/500/items", 'o'},
    {L"https://app.box.com/folder/500#filter:file|601", 't', 1, 0, L"611", "/2.0/folders/500", 'o'},
    {L"500", 's', 0, 0, L"611", "/2.0/folders/500/items", 'd'},
    {L"500", 's', 0, 0, L"611", "/2.0/folders/500", 'p'},
    {L"500", 's', 0, 0, L"611", "/2.0/folders/500", 'p', kDocumentIn510}};

TEST_F(BoxDeletionCheck, EachStartPointSeesItsOwnFolderOnly)
{
    Seed(R"({"folders": [{"name": "Child", "parent_id": "500", "id": "510",
                          "permissions": {"can_delete": false, "can_upload": false}}],
             "files": [{"name": "c.txt", "parent_id": "510", "id": "611", "content_text": "c"}]})");
    for (const Start& start : kStarts) {
        SCOPED_TRACE(&start - kStarts);
        HRESULT hr = E_UNEXPECTED;
        const auto startHere = [&] {
            hr = start.how == 't' ? host_.raw_SetSyncStartPointByString(_bstr_t(start.where),
                                                                        TalvernCommon::unique_bstr().put())
                                  : host_.raw_SetSyncStartPoint(StartFolder(start.where).get(),
                                                                start.how == 's' ? T : F, F, F, 0, F);
        };
        if (start.overtaken == 'o')
            RunOvertaken(start.held, start.newer, startHere);
        else
            startHere();
        ASSERT_EQ(start.overtaken == 'o' ? E_ABORT : S_OK, hr) << "an overtaken start point is dropped";
        if (start.overtaken == 'd')
            RunOvertaken(start.held, start.newer,
                         [&] { EXPECT_EQ(S_FALSE, filter_->raw_IsDeleted(_bstr_t(L"601"), 0)); });
        if (start.overtaken == 'p') {
            const auto older = TestPropertyMap::Create();
            RunOvertaken(start.held, start.newer,
                         [&] { EXPECT_EQ(E_ABORT, host_.raw_SetMainFolderProperties(older.get())); });
            EXPECT_FALSE(older->Has(L"FilterPropertyName")) << "the newer start point's filter on the older folder";
            EXPECT_FALSE(older->Has(L"FilterPropertyValue"));
        }
        if (start.how == 't') {
            ASSERT_EQ(S_OK, host_.raw_PreContentSyncFolderUpdate(nullptr, F, F));
        }
        unsigned short files = 9, folders = 9;
        ASSERT_EQ(S_OK, host_.GetServerItemNameCount(&files) | host_.GetSubFolderCount(&folders));
        EXPECT_EQ(std::make_pair(start.files, start.folders), std::make_pair(files, folders));
        EXPECT_EQ(S_FALSE, filter_->raw_IsDeleted(_bstr_t(start.item), 0)) << "an item of this folder counted as gone";
        const auto main = TestPropertyMap::Create();
        ASSERT_EQ(S_OK, host_.raw_SetMainFolderProperties(main.get()));
        const bool child = start.item[1] == L'1';
        EXPECT_EQ(child ? L"510" : L"500", main->Text(L"Quentra.FolderLocation"));
        EXPECT_EQ(child ? L"0x0000000000000001" : L"0x7FFFFFFFFFFFFFFF", main->Text(L"VESK.PermMask2"));
        EXPECT_EQ(std::wcschr(start.Current(), L'#') != nullptr, main->Has(L"FilterPropertyName"));
    }
}

} // namespace
