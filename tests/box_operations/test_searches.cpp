// Duplicate search by fingerprint where the host's own check does not reach, and folder search by name.
#include "OperationsFixture.h"

#include "BoxDuplicates.h"
#include "BoxFolderSearch.h"

using namespace BoxOperations;

namespace {

// Folder "500" holds the exact fingerprint (601) and, newer, one that only begins with it (602).
constexpr char kFingerprinted[] = R"({
  "folders": [{"name": "Docs", "id": "500"}],
  "files": [
    {"name": "a.pdf", "parent_id": "500", "id": "601", "content_text": "a", "modified_at": "2024-01-01T00:00:00Z",
     "metadata": {"enterprise": {"fingerprints": {"fingerprint": "HASH1"}}}},
    {"name": "b.pdf", "parent_id": "500", "id": "602", "content_text": "b", "modified_at": "2024-02-01T00:00:00Z",
     "metadata": {"enterprise": {"fingerprints": {"fingerprint": "HASH1 extended"}}}},
    {"name": "c.pdf", "parent_id": "500", "id": "603", "content_text": "c", "modified_at": "2024-03-01T00:00:00Z"}]
})";

constexpr char kSearchRoute[] = "GET /2.0/search";

struct DuplicateCase {
    const char* name;
    const wchar_t* hash;
    int32_t count;
    bool searchMode;
    const wchar_t* expectedId;
    int32_t listingLimit;  // the page size a listing asks for
};

const DuplicateCase kDuplicates[] = {
    {"SearchLooksPastAPartialMatchRankedFirst", L"HASH1", 1, true, L"601", 0},
    {"ListingStopsAtTheCount", L"HASH1", 2, false, L"", 2},
    {"ALargeCountAsksForOneFullPage", L"HASH1", 5000, false, L"601", 1000},
};

class Duplicates : public OperationsTest, public ::testing::WithParamInterface<DuplicateCase> {};

TEST_P(Duplicates, AreFoundByTheirExactFingerprint)
{
    const DuplicateCase& duplicate = GetParam();
    Seed(kFingerprinted);

    EXPECT_EQ(duplicate.expectedId,
              Box_20::RetrieveDuplicateOnline(duplicate.hash, informer_.get(), L"500", duplicate.count, FullScope(),
                                              duplicate.searchMode));

    const std::vector<std::string> listings = Queries("GET /2.0/folders/{folder_id}/items");
    ASSERT_EQ(duplicate.searchMode ? 1u : 0u, Queries(kSearchRoute).size());
    ASSERT_EQ(duplicate.searchMode ? 0u : 1u, listings.size());
    if (!duplicate.searchMode) {
        EXPECT_NE(std::string::npos, listings[0].find("limit=" + std::to_string(duplicate.listingLimit)))
            << listings[0];
    }
}

INSTANTIATE_TEST_SUITE_P(Duplicates, Duplicates, ::testing::ValuesIn(kDuplicates), BoxRoad::CaseName());

using DuplicateLimits = OperationsTest;

TEST_F(DuplicateLimits, NothingToCompareAsksNothingAndAMissingFolderFailsInBothModes)
{
    Seed(kFingerprinted);
    EXPECT_EQ(L"", Box_20::RetrieveDuplicateOnline(L"HASH1", informer_.get(), L"500", 0, FullScope(), false));
    EXPECT_EQ(L"", Box_20::RetrieveDuplicateOnline(L"", informer_.get(), L"500", 25, FullScope(), true));
    EXPECT_EQ(L"", Box_20::RetrieveDuplicateOnline(L"HASH1", informer_.get(), L"500", 25,
                                                   {L"1234567", kEmailTemplate, L""}, false));
    EXPECT_EQ(0u, Journal().size());

    for (const bool search : {true, false}) {
        EXPECT_NE(std::wstring::npos, BoxRoad::ApiErrorOf([&] {
                      Box_20::RetrieveDuplicateOnline(L"HASH1", informer_.get(), L"424242", 25, FullScope(), search);
                  }).find(L"[Box Error Code]not_found")) << search;
    }
}

int OffsetOf(const std::string& query)
{
    const size_t at = query.find("offset=");
    return at == std::string::npos ? -1 : std::stoi(query.substr(at + 7));
}

Json::Value FolderEntries(int count)
{
    Json::Value entries(Json::arrayValue);
    for (Json::ArrayIndex i = 0; i < Json::ArrayIndex(count); ++i)
        entries[i] = BoxRoad::ParseJson(R"({"type": "folder", "name": "B", "id": ")" + std::to_string(100 + i) + "\"}");
    return entries;
}

class FolderSearch : public OperationsTest {
protected:
    std::vector<Box_20::FolderRecord> Search(const std::wstring& scope, int32_t maximum)
    {
        return Box_20::SearchFolders(L"Bulk", informer_.get(), scope, {}, maximum);
    }
};

TEST_F(FolderSearch, AMissingAncestorIsTheCallersHttpErrorAndAReplyWithoutEntriesFails)
{
    EXPECT_EQ(404, BoxRoad::HttpStatusOf([&] { Search(L"parents:424242", 100); }));
    AddFault(R"({"method": "GET", "path": "/2.0/search", "status": 200, "json": {"total_count": 3}})");
    EXPECT_THROW(Search(L"", 10), Box_20::ApiException);
}

struct PagingCase {
    int folders;
    int32_t maximum;
    size_t expectedFound;
    std::vector<int> expectedOffsets;
};

class SearchPaging : public FolderSearch, public ::testing::WithParamInterface<PagingCase> {};

TEST_P(SearchPaging, AsksPageAfterPageUntilEnough)
{
    Json::Value seed;
    for (Json::ArrayIndex i = 0; i < Json::ArrayIndex(GetParam().folders); ++i)
        seed["folders"][i]["name"] = "Bulk " + std::to_string(i);
    standIn_.Post("seed", seed);

    EXPECT_EQ(GetParam().expectedFound, Search(L"", GetParam().maximum).size());

    std::vector<int> offsets;
    for (const std::string& query : Queries(kSearchRoute))
        offsets.push_back(OffsetOf(query));
    EXPECT_EQ(GetParam().expectedOffsets, offsets);
}

INSTANTIATE_TEST_SUITE_P(FolderSearch, SearchPaging,
                         ::testing::Values(PagingCase{70, 40, 40, {0, 30}}, PagingCase{60, 1000, 60, {0, 30}},
                                           PagingCase{5, 0, 0, {}}));

TEST_F(FolderSearch, StopsAtAnEmptyPageBeforeTheTotalAndNeverAsksBeyondOffsetTenThousand)
{
    Json::Value rule = BoxRoad::ParseJson(R"({"method": "GET", "path": "/2.0/search", "replies": [
        {"status": 200, "json": {"total_count": 100}},
        {"status": 200, "json": {"total_count": 100, "entries": []}}]})");
    rule["replies"][0]["json"]["entries"] = FolderEntries(30);
    standIn_.AddFault(rule);
    EXPECT_EQ(30u, Search(L"", 1000).size());
    EXPECT_EQ(2u, Queries(kSearchRoute).size());

    rule = BoxRoad::ParseJson(R"({"method": "GET", "path": "/2.0/search", "status": 200, "times": 400,
                                  "json": {"total_count": 1000000}})");
    rule["json"]["entries"] = FolderEntries(30);
    standIn_.AddFault(rule);
    EXPECT_EQ(334u * 30u, Search(L"", 1000000).size());
    const std::vector<std::string> queries = Queries(kSearchRoute);
    ASSERT_EQ(2u + 334u, queries.size());
    EXPECT_EQ(9990, OffsetOf(queries.back()));
}

} // namespace
