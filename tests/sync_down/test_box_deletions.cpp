// The deletion check with "BoxSync.CheckAllForDeletionEachSync" on (read once per process, hence
// a program of its own): an item counts as gone only when a complete, undated listing lacks it.
#include "BoxSyncFixture.h"

#include "ComDef.h"

using namespace SyncDown;

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

} // namespace
