// Folder search by name: scope, exclusions, the maximum count, and where its paging stops.
#include "OperationsFixture.h"

#include "BoxExceptions.h"
#include "BoxFolderSearch.h"
#include "LSHttpError.h"

#include <regex>

using namespace BoxOperations;

namespace {

constexpr char kSearchRoute[] = "GET /2.0/search";

constexpr char kProjects[] = R"({"folders": [
  {"name": "Projects", "id": "500", "modified_at": "2024-06-01T00:00:00Z"},
  {"name": "Project Alpha", "parent_id": "500", "id": "501", "modified_at": "2024-05-01T00:00:00Z"},
  {"name": "Project Beta", "parent_id": "500", "id": "502", "modified_at": "2024-04-01T00:00:00Z"},
  {"name": "Archive", "id": "503", "modified_at": "2024-03-01T00:00:00Z"},
  {"name": "Project Old", "parent_id": "503", "id": "504", "modified_at": "2024-02-01T00:00:00Z"},
  {"name": "Other", "id": "505"}]})";

std::vector<std::wstring> Paths(const std::vector<Box_20::FolderRecord>& folders)
{
    std::vector<std::wstring> paths;
    for (const auto& folder : folders)
        paths.push_back(folder.Path);
    return paths;
}

int OffsetOf(const std::string& query)
{
    const size_t at = query.find("offset=");
    return at == std::string::npos ? -1 : std::stoi(query.substr(at + 7));
}

class FolderSearch : public OperationsTest {
protected:
    std::vector<Box_20::FolderRecord> Search(const std::wstring& query, const std::wstring& scope, int32_t maximum,
                                             const std::vector<std::wregex>& exclusions = {})
    {
        return Box_20::SearchFolders(query, informer_.get(), scope, exclusions, maximum);
    }
};

TEST_F(FolderSearch, FindsFoldersWithTheirPathsInScopeAndNotExcluded)
{
    Seed(kProjects);
    const std::vector<std::wregex> exclusions{std::wregex(L"archive", std::regex::icase | std::regex::ECMAScript)};

    const std::vector<Box_20::FolderRecord> found = Search(L"Project", L"", 100);
    EXPECT_EQ((std::vector<std::wstring>{L"All Files/Projects", L"All Files/Projects/Project Alpha",
                                         L"All Files/Projects/Project Beta", L"All Files/Archive/Project Old"}),
              Paths(found));
    EXPECT_EQ(L"501", found[1].Id);
    EXPECT_EQ(3u, Search(L"Project", L"", 100, exclusions).size()) << "exclusions apply to the path";
    EXPECT_EQ((std::vector<std::wstring>{L"All Files/Archive/Project Old"}),
              Paths(Search(L"Project", L"parents:503", 100)));
    EXPECT_NE(std::string::npos, Queries(kSearchRoute)[2].find("&ancestor_folder_ids=503&"));
}

TEST_F(FolderSearch, UserTextArrivesAsTheUserWroteIt)
{
    for (const std::string name : {"R&D", "C#", "50% off", "a+b", "\xE6\xBC\xA2\xE5\xAD\x97"}) {
        SeedFolder(name);
        const std::vector<Box_20::FolderRecord> found = Search(Wide(name), L"", 10);
        ASSERT_EQ(1u, found.size()) << name;
        EXPECT_EQ(Wide(name), found[0].Name);
    }
}

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
    Json::Value seed(Json::objectValue);
    for (int i = 0; i < GetParam().folders; ++i) {
        Json::Value folder(Json::objectValue);
        folder["name"] = "Bulk " + std::to_string(i);
        seed["folders"].append(folder);
    }
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
    for (int i = 0; i < count; ++i) {
        Json::Value entry(Json::objectValue);
        entry["type"] = "folder";
        entry["id"] = std::to_string(9000 + i);
        entry["name"] = "Bulk " + std::to_string(i);
        entries.append(entry);
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
