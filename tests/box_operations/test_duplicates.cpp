// Duplicate search by content fingerprint, through Box's search and through the folder listing,
// where the host's own duplicate check does not reach: scope, partial matches, counts and limits.
#include "OperationsFixture.h"

#include "BoxDuplicates.h"
#include "BoxExceptions.h"

using namespace BoxOperations;

namespace {

// Folder "500" holds the exact fingerprint (601) and, newer, one that only begins with it
// (602); folder "700" holds another.
constexpr char kFingerprinted[] = R"({
  "folders": [{"name": "Docs", "id": "500"}, {"name": "Other", "id": "700"}],
  "files": [
    {"name": "a.pdf", "parent_id": "500", "id": "601", "content_text": "a", "modified_at": "2024-01-01T00:00:00Z",
     "metadata": {"enterprise": {"fingerprints": {"fingerprint": "HASH1"}}}},
    {"name": "b.pdf", "parent_id": "500", "id": "602", "content_text": "b", "modified_at": "2024-02-01T00:00:00Z",
     "metadata": {"enterprise": {"fingerprints": {"fingerprint": "HASH1 extended"}}}},
    {"name": "c.pdf", "parent_id": "500", "id": "603", "content_text": "c", "modified_at": "2024-03-01T00:00:00Z"},
    {"name": "d.pdf", "parent_id": "700", "id": "701", "content_text": "d",
     "metadata": {"enterprise": {"fingerprints": {"fingerprint": "HASH2"}}}}]
})";

constexpr char kSearchRoute[] = "GET /2.0/search";
constexpr char kItemsRoute[] = "GET /2.0/folders/{folder_id}/items";

struct DuplicateCase {
    const char* name;
    const wchar_t* hash;
    const wchar_t* folderId;
    int32_t count;
    bool searchMode;
    const wchar_t* expectedId;
    int32_t listingLimit;  // the page size a listing asks for
};

const DuplicateCase kDuplicates[] = {
    {"SearchLooksOnlyUnderTheFolder", L"HASH2", L"500", 1, true, L"", 0},
    {"SearchLooksPastAPartialMatchRankedFirst", L"HASH1", L"500", 1, true, L"601", 0},
    {"ListingStopsAtTheCount", L"HASH1", L"500", 2, false, L"", 2},
    {"ALargeCountAsksForOneFullPage", L"HASH1", L"500", 5000, false, L"601", 1000},
};

class Duplicates : public OperationsTest, public ::testing::WithParamInterface<DuplicateCase> {};

TEST_P(Duplicates, AreFoundByTheirExactFingerprint)
{
    const DuplicateCase& duplicate = GetParam();
    Seed(kFingerprinted);

    EXPECT_EQ(duplicate.expectedId,
              Box_20::RetrieveDuplicateOnline(duplicate.hash, informer_.get(), duplicate.folderId, duplicate.count,
                                              FullScope(), duplicate.searchMode));

    const std::vector<std::string> searches = Queries(kSearchRoute);
    const std::vector<std::string> listings = Queries(kItemsRoute);
    ASSERT_EQ(duplicate.searchMode ? 1u : 0u, searches.size());
    ASSERT_EQ(duplicate.searchMode ? 0u : 1u, listings.size());
    if (!duplicate.searchMode) {
        EXPECT_NE(std::string::npos, listings[0].find("limit=" + std::to_string(duplicate.listingLimit)))
            << listings[0];
    }
}

INSTANTIATE_TEST_SUITE_P(Duplicates, Duplicates, ::testing::ValuesIn(kDuplicates), BoxRoad::CaseName());

using DuplicateLimits = OperationsTest;

TEST_F(DuplicateLimits, NothingToCompareAsksNothing)
{
    Seed(kFingerprinted);
    EXPECT_EQ(L"", Box_20::RetrieveDuplicateOnline(L"HASH1", informer_.get(), L"500", 0, FullScope(), false));
    EXPECT_EQ(L"", Box_20::RetrieveDuplicateOnline(L"", informer_.get(), L"500", 25, FullScope(), true));
    EXPECT_EQ(L"", Box_20::RetrieveDuplicateOnline(L"HASH1", informer_.get(), L"500", 25,
                                                   {L"1234567", kEmailTemplate, L""}, false));
    EXPECT_EQ(0u, Journal().size());
}

TEST_F(DuplicateLimits, AMissingFolderFailsInBothModes)
{
    for (const bool searchMode : {true, false}) {
        EXPECT_NE(std::wstring::npos, BoxRoad::ApiErrorOf([&] {
                      Box_20::RetrieveDuplicateOnline(L"HASH1", informer_.get(), L"424242", 25, FullScope(), searchMode);
                  }).find(L"[Box Error Code]not_found")) << searchMode;
    }
}

} // namespace
