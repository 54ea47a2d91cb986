// Folder search by name: a missing scope, the maximum count, and where its paging stops.
#include "OperationsFixture.h"

#include "BoxExceptions.h"
#include "BoxFolderSearch.h"
#include "LSHttpError.h"

using namespace BoxOperations;

namespace {

constexpr char kSearchRoute[] = "GET /2.0/search";

int OffsetOf(const std::string& query)
{
    const size_t at = query.find("offset=");
    return at == std::string::npos ? -1 : std::stoi(query.substr(at + 7));
}

class FolderSearch : public OperationsTest {
protected:
    std::vector<Box_20::FolderRecord> Search(const std::wstring& query, const std::wstring& scope, int32_t maximum)
    {
        return Box_20::SearchFolders(query, informer_.get(), scope, {}, maximum);
    }
};

TEST_F(FolderSearch, AMissingAncestorIsTheCallersHttpError)
{
    EXPECT_EQ(404, BoxRoad::HttpStatusOf([&] { Search(L"Project", L"parents:424242", 100); }));
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

    EXPECT_EQ(GetParam().expectedFound, Search(L"Bulk", L"", GetParam().maximum).size());

    std::vector<int> offsets;
    for (const std::string& query : Queries(kSearchRoute))
        offsets.push_back(OffsetOf(query));
    EXPECT_EQ(GetParam().expectedOffsets, offsets);
}

INSTANTIATE_TEST_SUITE_P(FolderSearch, SearchPaging,
                         ::testing::Values(PagingCase{70, 40, 40, {0, 30}}, PagingCase{60, 1000, 60, {0, 30}},
                                           PagingCase{5, 0, 0, {}}));

Json::Value FolderEntries(int count)
{
    Json::Value entries(Json::arrayValue);
    for (Json::ArrayIndex i = 0; i < Json::ArrayIndex(count); ++i) {
        entries[i]["type"] = "folder";
        entries[i]["id"] = std::to_string(9000 + i);
        entries[i]["name"] = "Bulk " + std::to_string(i);
    }
    return entries;
}

TEST_F(FolderSearch, StopsAtAnEmptyPageBeforeTheTotal)
{
    Json::Value rule = BoxRoad::ParseJson(R"({"method": "GET", "path": "/2.0/search", "replies": [
        {"status": 200, "json": {"total_count": 100, "entries": []}},
        {"status": 200, "json": {"total_count": 100, "entries": []}}]})");
    rule["replies"][0]["json"]["entries"] = FolderEntries(30);
    standIn_.AddFault(rule);

    EXPECT_EQ(30u, Search(L"Bulk", L"", 1000).size());
    EXPECT_EQ((std::vector<std::string>::size_type)2, Queries(kSearchRoute).size());
}

TEST_F(FolderSearch, NeverAsksBeyondOffsetTenThousand)
{
    Json::Value rule = BoxRoad::ParseJson(R"({"method": "GET", "path": "/2.0/search", "status": 200, "times": 400,
                                              "json": {"total_count": 1000000}})");
    rule["json"]["entries"] = FolderEntries(30);
    standIn_.AddFault(rule);

    EXPECT_EQ(334u * 30u, Search(L"Bulk", L"", 1000000).size());

    const std::vector<std::string> queries = Queries(kSearchRoute);
    ASSERT_EQ(334u, queries.size());
    EXPECT_EQ(9990, OffsetOf(queries.back()));
}

TEST_F(FolderSearch, AReplyWithoutEntriesFails)
{
    AddFault(R"({"method": "GET", "path": "/2.0/search", "status": 200, "json": {"total_count": 3}})");
    EXPECT_THROW(Search(L"Bulk", L"", 10), Box_20::ApiException);
}

} // namespace
