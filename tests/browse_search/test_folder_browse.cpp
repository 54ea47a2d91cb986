// Folders to add: the folder-id and name forms of the query, a folder's children, and their filter strings.
#include "BrowseSearchFixture.h"

#include "LSRepositoryToAdd.h"
#include "StringUtils.h"

#include <algorithm>

using namespace BrowseSearch;

namespace {

constexpr char kFolders[] = R"({"folders": [
  {"name": "Projects", "id": "500"},
  {"name": "Project Alpha", "parent_id": "500", "id": "501"},
  {"name": "Project Beta", "parent_id": "500", "id": "502"},
  {"name": "Archive", "id": "503"},
  {"name": "Project Old", "parent_id": "503", "id": "504"}]})";

std::wstring FilterString(const std::wstring& name, const std::wstring& id, const std::wstring& path)
{
    return name + L"\t" + kApplicationUrl + L"/folder/" + id + L"\t" + path + L"\t\tBox\t0\t1\t0";
}

// The records of a result text; a stray line feed makes a line that fails to read.
std::vector<LSRepositoryToAdd> Records(const std::wstring& results)
{
    std::vector<LSRepositoryToAdd> records;
    for (const auto& line : SplitString(results, L"\n")) {
        records.emplace_back();
        records.back().FromFilterString(line);
    }
    return records;
}

// Name searches answer in Box's order, which the tests leave to Box.
std::vector<std::wstring> Names(const std::vector<LSRepositoryToAdd>& records, bool paths = false)
{
    std::vector<std::wstring> names;
    for (const auto& record : records)
        names.push_back(paths ? record.Path : record.DisplayName);
    if (paths)
        std::sort(names.begin(), names.end());
    return names;
}

class FolderQuery : public BrowseSearchTest {
protected:
    HRESULT RunQuery(const wchar_t* query, const wchar_t* scope, TalvernCommon::unique_bstr& results)
    {
        return static_cast<ILSQueryRepository*>(filter_.get())
            ->raw_RunQuery(100, _bstr_t(scope), _bstr_t(query), 0, 0, results.put());
    }
};

// A blank line in the exclusions is no pattern: an empty one would exclude every folder.
TEST_F(FolderQuery, FolderIdFormListsFoldersThatExistAndAreNotExcludedAndABlankExclusionExcludesNothing)
{
    Seed(kFolders);
    TalvernCommon::unique_bstr results;

    ASSERT_EQ(S_OK, RunQuery(L"  f:501:999f504:12ab:424242:502 ", L"", results));

    EXPECT_EQ(FilterString(L"Project Alpha", L"501", L"All Files/Projects/Project Alpha") + L"\n" +
                  FilterString(L"Project Beta", L"502", L"All Files/Projects/Project Beta"),
              Text(results));
    for (const Json::Value& entry : Journal())
        EXPECT_EQ(std::string::npos, entry["target"].asString().find("12ab")) << "only digits reach Box";

    settings_.SetString(SettingsSource::User, L"BoxSync.ExcludeFolderRegEx", L"Archive\ntemp\n");
    filter_ = NewFilter();
    ASSERT_EQ(S_OK, RunQuery(L"Project", L"", results));
    EXPECT_EQ(3u, Records(Text(results)).size());
}

struct NameQueryCase {
    const char* name;
    const wchar_t* query;
    const wchar_t* scope;
    std::vector<std::wstring> expected;
    size_t searches;
};

class NameQuery : public FolderQuery, public ::testing::WithParamInterface<NameQueryCase> {};

// The exclusions apply to the whole path: "Archive" leaves out the folder below it.
TEST_P(NameQuery, FindsFoldersOutsideTheExclusions)
{
    Seed(kFolders);
    TalvernCommon::unique_bstr results;

    ASSERT_EQ(S_OK, RunQuery(GetParam().query, GetParam().scope, results));

    EXPECT_EQ(GetParam().expected, Names(Records(Text(results)), true));
    EXPECT_EQ(GetParam().searches, Journal("GET /2.0/search").size());
    if (GetParam().searches == 0) {
        EXPECT_EQ(0u, Journal().size());
    }
}

const NameQueryCase kNameQueries[] = {
    {"Everywhere", L"Project", L"",
     {L"All Files/Projects", L"All Files/Projects/Project Alpha", L"All Files/Projects/Project Beta"}, 1},
    {"InsideParents", L" Project ", L"parents:500",
     {L"All Files/Projects/Project Alpha", L"All Files/Projects/Project Beta"}, 1},
    {"CapitalFIsAName", L"F:501", L"", {}, 1},
    {"BlankSearchesNothing", L"   ", L"", {}, 0},
    {"NoIdsAfterPrefix", L"f:", L"", {}, 0},
};
INSTANTIATE_TEST_SUITE_P(Queries, NameQuery, ::testing::ValuesIn(kNameQueries), BoxRoad::CaseName());

class ChildFolders : public BrowseSearchTest {
protected:
    void SeedMailFolder()
    {
        Seed(R"({"folders": [{"name": "Mail", "id": "600"},
            {"name": "gamma", "parent_id": "600"}, {"name": "Alpha", "parent_id": "600", "id": "602"},
            {"name": "beta", "parent_id": "600"}, {"name": "Q1\tQ2\nQ3", "parent_id": "600"}],
          "files": [{"name": "a.txt", "parent_id": "600", "content_text": "a"},
            {"name": "b.txt", "parent_id": "600", "content_text": "b"},
            {"name": "c.txt", "parent_id": "600", "content_text": "c"}]})");
    }

    HRESULT Children(const std::wstring& parent, TalvernCommon::unique_bstr& children)
    {
        return static_cast<ILSQueryRepositoryChildFolders*>(filter_.get())
            ->raw_GetOnlineChildFolders(_bstr_t(parent.c_str()), 0, children.put());
    }
};

// Folders precede files only in some folders: every page is read, after the first file in Box's largest.
TEST_F(ChildFolders, SortedWithPathsFromEveryPage)
{
    SeedMailFolder();
    settings_.SetDword(SettingsSource::User, L"BoxSync.ChildFolderBatchSize", 2);
    TalvernCommon::unique_bstr children;

    ASSERT_EQ(S_OK, Children(FilterString(L"Mail", L"600", L"All Files/Mail"), children));

    const std::vector<LSRepositoryToAdd> records = Records(Text(children));
    EXPECT_EQ((std::vector<std::wstring>{L"Alpha", L"beta", L"gamma", L"Q1 Q2 Q3"}), Names(records));
    ASSERT_EQ(4u, records.size());
    EXPECT_EQ(L"All Files/Mail/Alpha", records[0].Path);
    EXPECT_EQ(L"All Files/Mail/Q1 Q2 Q3", records[3].Path);
    EXPECT_EQ(std::wstring(kApplicationUrl) + L"/folder/602", records[0].Location);
    const std::vector<std::string> pages = Queries("GET /2.0/folders/{folder_id}/items");
    ASSERT_EQ(4u, pages.size());
    EXPECT_NE(std::string::npos, pages[2].find("limit=2&"));
    EXPECT_NE(std::string::npos, pages[3].find("limit=1000&"));
}

struct ParentCase {
    const char* name;
    std::wstring parent;
    HRESULT expected;
    const wchar_t* firstPath;
};

class ChildFolderParents : public ChildFolders, public ::testing::WithParamInterface<ParentCase> {};

TEST_P(ChildFolderParents, ReadTheParentsFilterString)
{
    SeedMailFolder();
    TalvernCommon::unique_bstr children;

    ASSERT_EQ(GetParam().expected, Children(GetParam().parent, children));

    if (GetParam().expected == S_OK) {
        EXPECT_EQ(GetParam().firstPath, Records(Text(children)).at(0).Path);
    } else {
        EXPECT_EQ(nullptr, children.get());
        EXPECT_EQ(0u, Journal().size());
    }
}

const std::wstring kMailLocation = std::wstring(kApplicationUrl) + L"/folder/600";
const ParentCase kParents[] = {
    {"FourFieldsLocationAsPath", L"Mail\t" + kMailLocation + L"\t\t", S_OK,
     L"https://app.box.com/folder/600/Alpha"},
    {"JsonTail", L"Mail\t" + kMailLocation + L"\tM\t\tBox\t0\t1\t0\t{\"ReposProps\":{\"k\":\"v\"}} ", S_OK,
     L"M/Alpha"},
    {"BrokenJsonTail", L"Mail\t" + kMailLocation + L"\tM\t\tBox\t0\t1\t0\t{oops", S_OK, L"M/Alpha"},
    {"LocationEndsInSlash", L"Mail\t" + kMailLocation + L"/\tM\t\tBox\t0\t1\t0", S_OK, L"M/Alpha"},
    {"ThreeFields", L"Mail\t" + kMailLocation + L"\tM", E_INVALIDARG, nullptr},
    {"NoFolderId", L"Mail\t///\t\t", E_INVALIDARG, nullptr},
    {"IdNotDigits", L"Mail\t" + std::wstring(kApplicationUrl) + L"/folder/6x0\t\t", E_INVALIDARG, nullptr},
};
INSTANTIATE_TEST_SUITE_P(Parents, ChildFolderParents, ::testing::ValuesIn(kParents), BoxRoad::CaseName());

} // namespace
