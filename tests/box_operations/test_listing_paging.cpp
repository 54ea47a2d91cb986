// How far a listing reads: the change token in and out, the date limit, and where Box's paging
// breaks off (a repeated marker, an empty page).
#include "OperationsFixture.h"

#include "BoxExceptions.h"
#include "BoxFolderListing.h"
#include "TestPropertyMap.h"

using namespace BoxOperations;

namespace {

constexpr char kItemsRoute[] = "GET /2.0/folders/{folder_id}/items";
constexpr uint32_t kPagingLimit = 2;
constexpr uint32_t kIncrementalLimit = 1;

std::vector<std::wstring> FileNames(const Box_20::FolderListing& listing)
{
    std::vector<std::wstring> names;
    for (const auto& file : listing.Files)
        names.push_back(file.Name);
    return names;
}

bool AllAsk(const std::vector<std::string>& queries, const std::string& part)
{
    for (const std::string& query : queries) {
        if (query.find(part) == std::string::npos)
            return false;
    }
    return !queries.empty();
}

class ListingPaging : public OperationsTest {
protected:
    // Folder "500" with a sub-folder and files named after their (UTC) modification dates.
    void SeedDatedFiles(const std::string& parentId, const std::vector<std::string>& dates) const
    {
        Json::Value seed(Json::objectValue);
        if (parentId != "0") {
            seed["folders"].append(BoxRoad::ParseJson(R"({"name": "F", "id": "500"})"));
            seed["folders"].append(BoxRoad::ParseJson(
                R"({"name": "sub", "parent_id": "500", "id": "501", "modified_at": "2020-01-01T00:00:00Z"})"));
        }
        for (const std::string& date : dates) {
            Json::Value file(Json::objectValue);
            file["name"] = date.substr(0, 10);
            file["parent_id"] = parentId;
            file["content_text"] = date;
            file["modified_at"] = date;
            seed["files"].append(file);
        }
        standIn_.Post("seed", seed);
    }

    // Folder "500" answers with these pages (a JSON array of replies), in turn.
    void ScriptPages(const char* pages) const
    {
        Json::Value rule(Json::objectValue);
        rule["method"] = "GET";
        rule["path"] = "/2.0/folders/500/items";
        for (const Json::Value& page : BoxRoad::ParseJson(pages)) {
            Json::Value reply(Json::objectValue);
            reply["status"] = 200;
            reply["json"] = page;
            rule["replies"].append(reply);
        }
        standIn_.AddFault(rule);
    }

    Box_20::FolderListing List(CStdStr<wchar_t>& token, ILSPropertyMap* folderMap = nullptr,
                               Box_20::OptionalDate dateLimit = {}, const std::wstring& folderId = L"500")
    {
        return Box_20::GetFolderContents(folderMap, informer_.get(), folderId, kPagingLimit, kIncrementalLimit, token,
                                         dateLimit, FullScope());
    }
};

TEST_F(ListingPaging, ATokenListsTheFilesChangedSinceAndStopsAtTheFirstOlderOne)
{
    SeedDatedFiles("500", {"2024-03-01T00:00:00Z", "2024-02-01T00:00:00Z", "2024-01-01T00:00:00Z",
                           "2023-12-01T00:00:00Z", "2023-11-01T00:00:00Z"});
    CStdStr<wchar_t> token;
    List(token);
    ASSERT_EQ(L"500;2024-03-01T00:00:00Z;;;", token);
    const Json::Value february = standIn_.Get("item?path=/F/2024-02-01");
    UpdateItem("file", february["id"].asString(), R"({"modified_at": "2024-04-01T00:00:00Z"})");
    Seed(R"({"files": [{"name": "new.txt", "parent_id": "500", "content_text": "n",
                        "modified_at": "2024-03-15T00:00:00Z"}]})");
    const int since = standIn_.JournalNext();

    const Box_20::FolderListing listing = List(token);

    // The file at the cutoff itself is listed again: a change within its second is not lost.
    EXPECT_EQ((std::vector<std::wstring>{L"2024-02-01", L"new.txt", L"2024-03-01"}), FileNames(listing));
    ASSERT_EQ(1u, listing.Folders.size()) << "sub-folders are always listed";
    const Json::Value requests = standIn_.JournalEntries(since, "/2.0/folders/500/items");
    // Pages of one: the sub-folder, three wanted files, then the first older file ends it.
    EXPECT_EQ(5u, requests.size());
    for (const Json::Value& request : requests)
        EXPECT_NE(std::string::npos, request["query"].asString().find("limit=1")) << request["query"].asString();
    EXPECT_EQ(L"500;2024-04-01T00:00:00Z;;;", token);
}

TEST_F(ListingPaging, TheTokenStoredOnTheFolderWins)
{
    SeedDatedFiles("500", {"2024-03-01T00:00:00Z", "2024-02-01T00:00:00Z"});
    const auto folderMap = TestHost::TestPropertyMap::Create();
    folderMap->SetText(L"ChangeToken", L"500;2024-02-15T00:00:00Z;;;");
    CStdStr<wchar_t> token;

    const Box_20::FolderListing listing = List(token, folderMap.get());

    EXPECT_EQ((std::vector<std::wstring>{L"2024-03-01"}), FileNames(listing));
    EXPECT_EQ(L"500;2024-03-01T00:00:00Z;;;", token);
    EXPECT_TRUE(AllAsk(Queries(kItemsRoute), "limit=1"));
    EXPECT_EQ(L"500;2024-02-15T00:00:00Z;;;", folderMap->Text(L"ChangeToken").value_or(L""))
        << "storing the token is the filter's step";
}

class UnusableTokens : public ListingPaging, public ::testing::WithParamInterface<const wchar_t*> {};

TEST_P(UnusableTokens, AskForAFullListing)
{
    SeedDatedFiles("500", {"2024-03-01T00:00:00Z", "2024-02-01T00:00:00Z", "2024-01-01T00:00:00Z"});
    CStdStr<wchar_t> token = GetParam();

    const Box_20::FolderListing listing = List(token);

    EXPECT_EQ(3u, listing.Files.size());
    EXPECT_TRUE(AllAsk(Queries(kItemsRoute), "limit=2"));
    EXPECT_EQ(L"500;2024-03-01T00:00:00Z;;;", token);
}

INSTANTIATE_TEST_SUITE_P(ListingPaging, UnusableTokens,
                         ::testing::Values(L"", L"501;2024-06-01T00:00:00Z;;;", L"500;2024-06-01T00:00:00Z",
                                           L"500;no date;;;"));

TEST_F(ListingPaging, ADateLimitLeavesOutOlderFilesAndStopsReading)
{
    SeedDatedFiles("500", {"2024-06-01T00:00:00Z", "2024-05-01T00:00:00Z", "2024-04-01T00:00:00Z",
                           "2024-03-01T00:00:00Z", "2024-02-01T00:00:00Z", "2024-01-01T00:00:00Z"});
    CStdStr<wchar_t> token;

    // The tests run with TZ=UTC, so the local date limit is the UTC one.
    const Box_20::FolderListing listing = List(token, nullptr, {UtcDate(2024, 4, 15), true});

    EXPECT_EQ((std::vector<std::wstring>{L"2024-06-01", L"2024-05-01"}), FileNames(listing));
    EXPECT_EQ(1u, listing.Folders.size()) << "sub-folders are not dated out";
    // [sub, Jun], [May, Apr]: April ends the files, four more files are never asked for.
    EXPECT_EQ(2u, Queries(kItemsRoute).size());
}

TEST_F(ListingPaging, TheRootFolderIsReadToTheEndUnderADateLimit)
{
    SeedDatedFiles("0", {"2024-06-01T00:00:00Z", "2024-05-01T00:00:00Z", "2024-04-01T00:00:00Z",
                         "2024-03-01T00:00:00Z", "2024-02-01T00:00:00Z", "2024-01-01T00:00:00Z"});
    CStdStr<wchar_t> token;

    // Box does not sort the root folder under marker paging: an old file says nothing there.
    const Box_20::FolderListing listing = List(token, nullptr, {UtcDate(2024, 4, 15), true}, L"0");

    EXPECT_EQ((std::vector<std::wstring>{L"2024-06-01", L"2024-05-01"}), FileNames(listing));
    EXPECT_EQ(3u, Queries(kItemsRoute).size());
}

TEST_F(ListingPaging, IdsHonourTheDateLimit)
{
    SeedDatedFiles("500", {"2024-06-01T00:00:00Z", "2024-05-01T00:00:00Z", "2024-04-01T00:00:00Z",
                           "2024-03-01T00:00:00Z", "2024-02-01T00:00:00Z"});
    const std::vector<CStdStr<wchar_t>> ids =
        Box_20::GetFolderContentIds(informer_.get(), L"500", {UtcDate(2024, 4, 15), true}, 2);

    ASSERT_EQ(3u, ids.size());
    EXPECT_EQ(L"501", ids[0]);
    EXPECT_EQ(2u, Queries(kItemsRoute).size());
}

// Scripted pages of folder "500"; every file is dated after the cutoff of kOldToken.
struct BrokenPagingCase {
    const char* name;
    const char* pages;
    size_t requests;
    size_t files;
    bool truncated;
};

constexpr wchar_t kOldToken[] = L"500;2023-06-01T00:00:00Z;;;";

#define FILE_ENTRY(id, day) \
    R"({"type": "file", "id": ")" id R"(", "etag": "1", "name": ")" id R"(.txt", "modified_at": "2024-01-)" day R"(T00:00:00Z"})"

const BrokenPagingCase kBrokenPaging[] = {
    {"MarkerRepeatedAtOnce",
     "[{\"entries\": [" FILE_ENTRY("9001", "03") "], \"next_marker\": \"m1\"},"
     " {\"entries\": [" FILE_ENTRY("9002", "02") "], \"next_marker\": \"m1\"}]",
     2, 2, true},
    {"MarkerComingBackLater",
     "[{\"entries\": [" FILE_ENTRY("9001", "03") "], \"next_marker\": \"m1\"},"
     " {\"entries\": [" FILE_ENTRY("9002", "02") "], \"next_marker\": \"m2\"},"
     " {\"entries\": [" FILE_ENTRY("9003", "01") "], \"next_marker\": \"m1\"}]",
     3, 3, true},
    {"EmptyPageThatStillNamesAMarker",
     "[{\"entries\": [" FILE_ENTRY("9001", "03") "], \"next_marker\": \"m1\"},"
     " {\"entries\": [], \"next_marker\": \"m2\"}]",
     2, 1, true},
    {"EmptyLastPage",
     "[{\"entries\": [" FILE_ENTRY("9001", "03") "], \"next_marker\": \"m1\"},"
     " {\"entries\": [], \"next_marker\": \"\"}]",
     2, 1, false},
};

// One entry a page, the cutoff on 2024-01-10: where a listing may stop early.
struct EarlyStopCase {
    const char* name;
    const char* pages;
    size_t requests;
    const wchar_t* files;
};

#define PAGE(entry, next) "{\"entries\": [" entry "], \"next_marker\": " next "}"
#define FILE_AT(id, stamp) \
    R"({"type": "file", "id": ")" id R"(", "etag": "1", "name": ")" id R"(", "modified_at": ")" stamp R"("})"
#define FOLDER_AT(id, stamp) \
    R"({"type": "folder", "id": ")" id R"(", "etag": "1", "name": ")" id R"(", "modified_at": ")" stamp R"("})"

const EarlyStopCase kEarlyStops[] = {
    {"OldestFirstIsReadToTheEnd",
     "[" PAGE(FILE_AT("9001", "2024-01-01T00:00:00Z"), "\"m1\"") "," PAGE(FILE_AT("9002", "2024-01-05T00:00:00Z"), "\"m2\"")
     "," PAGE(FILE_AT("9003", "2024-01-20T00:00:00Z"), "\"m3\"") "," PAGE(FILE_AT("9004", "2024-01-25T00:00:00Z"), "null") "]",
     4, L"9003,9004"},
    {"AChangeDatedJustBeforeTheCutoffIsListed",
     "[" PAGE(FILE_AT("9001", "2024-01-20T00:00:00Z"), "\"m1\"") "," PAGE(FILE_AT("9002", "2024-01-09T23:58:00Z"), "\"m2\"")
     "," PAGE(FILE_AT("9003", "2024-01-01T00:00:00Z"), "\"m3\"") "," PAGE(FILE_AT("9004", "2023-12-01T00:00:00Z"), "null") "]",
     3, L"9001,9002"},
    {"FoldersDoNotCountForTheOrder",
     "[" PAGE(FOLDER_AT("8001", "2019-01-01T00:00:00Z"), "\"m1\"") "," PAGE(FILE_AT("9001", "2024-01-20T00:00:00Z"), "\"m2\"")
     "," PAGE(FILE_AT("9002", "2024-01-01T00:00:00Z"), "\"m3\"") "," PAGE(FILE_AT("9003", "2023-12-01T00:00:00Z"), "null") "]",
     3, L"9001"},
    {"OneOldFileAloneSaysNothingOfTheOrder",
     "[" PAGE(FILE_AT("9001", "2024-01-01T00:00:00Z"), "\"m1\"") "," PAGE(FILE_AT("9002", "2023-12-01T00:00:00Z"), "\"m2\"")
     "," PAGE(FILE_AT("9003", "2023-11-01T00:00:00Z"), "null") "]",
     2, L""},
};

#undef FOLDER_AT
#undef FILE_AT
#undef PAGE
#undef FILE_ENTRY

class EarlyStops : public ListingPaging, public ::testing::WithParamInterface<EarlyStopCase> {};

// A server that ignored the order asked for, or a clock a little behind, must not cost changes.
TEST_P(EarlyStops, StopOnlyWhereNoLaterFileCanBeWanted)
{
    ScriptPages(GetParam().pages);
    CStdStr<wchar_t> token = L"500;2024-01-10T00:00:00Z;;;";

    const Box_20::FolderListing listing = List(token);

    std::wstring ids;
    for (const auto& file : listing.Files)
        ids += (ids.empty() ? L"" : L",") + file.Id;
    EXPECT_EQ(GetParam().files, ids);
    EXPECT_EQ(GetParam().requests, Queries(kItemsRoute).size());
}

INSTANTIATE_TEST_SUITE_P(ListingPaging, EarlyStops, ::testing::ValuesIn(kEarlyStops),
                         [](const ::testing::TestParamInfo<EarlyStopCase>& info) { return info.param.name; });

// The next page is asked for while this one is built: whatever befalls that request ends the
// listing as it would have ended without the overlap.
struct NextPageCase {
    const char* name;
    const char* fault;      // the reply to the first request with a marker, or null
    long stopAtRequest;     // the request whose start asks for the stop, or 0
    const char* outcome;    // "listed", "failed" or "aborted"
};

const NextPageCase kNextPage[] = {
    {"ServerErrorIsRetried", R"({"status": 500})", 0, "listed"},
    {"RefusedTokenIsRenewed", R"({"status": 401})", 0, "listed"},
    {"BoxErrorFailsTheListing", R"({"status": 404, "error": {"code": "not_found", "message": "gone"}})", 0, "failed"},
    {"StopAskedWhileThePageIsBuilt", nullptr, 2, "aborted"},
};

class NextPage : public ListingPaging, public ::testing::WithParamInterface<NextPageCase> {};

TEST_P(NextPage, EndsTheListingAsWithoutTheOverlap)
{
    SeedDatedFiles("500", {"2024-03-01T00:00:00Z", "2024-02-01T00:00:00Z", "2024-01-01T00:00:00Z"});
    if (GetParam().fault != nullptr) {
        standIn_.AddFault(BoxRoad::ParseJson(std::string(R"({"method": "GET", "path": "/2.0/folders/500/items",
                                                             "query": "marker=", "replies": [)") +
                                             GetParam().fault + "]}"));
    }
    informer_->RequestStopAtRequestStart(GetParam().stopAtRequest);
    const auto folderMap = TestHost::TestPropertyMap::Create();
    CStdStr<wchar_t> token;

    const std::string outcome = [&] {
        try {
            return List(token, folderMap.get()).Files.size() == 3 ? "listed" : "incomplete";
        } catch (const Box_20::ApiException& error) {
            return error.GetText().find(L"not_found") != std::wstring::npos ? "failed" : "other ApiException";
        } catch (HRESULT hr) {
            return hr == E_ABORT ? "aborted" : "other HRESULT";
        }
    }();

    EXPECT_EQ(GetParam().outcome, outcome);
    EXPECT_EQ(GetParam().outcome == std::string("listed") ? L"500;2024-03-01T00:00:00Z;;;" : L"", token);
}

INSTANTIATE_TEST_SUITE_P(ListingPaging, NextPage, ::testing::ValuesIn(kNextPage),
                         [](const ::testing::TestParamInfo<NextPageCase>& info) { return info.param.name; });

class BrokenPaging : public ListingPaging, public ::testing::WithParamInterface<BrokenPagingCase> {
protected:
    void ScriptPages() const { ListingPaging::ScriptPages(GetParam().pages); }
};

// Past the scripted pages the stand-in would answer 404 for the unknown folder, so a request
// too many fails the call as well as the count.
TEST_P(BrokenPaging, StopsTheListingAndKeepsTheCutoff)
{
    ScriptPages();
    CStdStr<wchar_t> token = kOldToken;

    const Box_20::FolderListing listing = List(token);

    EXPECT_EQ(GetParam().files, listing.Files.size());
    const std::vector<std::string> queries = Queries(kItemsRoute);
    ASSERT_EQ(GetParam().requests, queries.size());
    if (queries.size() > 1) {
        EXPECT_NE(std::string::npos, queries[1].find("marker=m1")) << queries[1];
    }
    EXPECT_EQ(GetParam().truncated ? std::wstring(kOldToken) : std::wstring(L"500;2024-01-03T00:00:00Z;;;"), token)
        << "a listing that broke off must not move the cutoff past what it missed";
}

TEST_P(BrokenPaging, FailsTheIdListingInsteadOfAnsweringInPart)
{
    ScriptPages();

    if (GetParam().truncated) {
        EXPECT_THROW(Box_20::GetFolderContentIds(informer_.get(), L"500", {}, 2), Box_20::ApiException);
    } else {
        EXPECT_EQ(GetParam().files, Box_20::GetFolderContentIds(informer_.get(), L"500", {}, 2).size());
    }
    EXPECT_EQ(GetParam().requests, Queries(kItemsRoute).size());
}

INSTANTIATE_TEST_SUITE_P(ListingPaging, BrokenPaging, ::testing::ValuesIn(kBrokenPaging),
                         [](const ::testing::TestParamInfo<BrokenPagingCase>& info) { return info.param.name; });

struct BadPageCase {
    const char* name;
    const char* reply;
};

class BadPages : public ListingPaging, public ::testing::WithParamInterface<BadPageCase> {};

// A page Box would never send is a failure, never an empty folder: the deletion check would
// take every item for deleted.
TEST_P(BadPages, FailTheListing)
{
    standIn_.AddFault(BoxRoad::ParseJson(std::string(R"({"method": "GET", "path": "/2.0/folders/500/items",
                                                         "status": 200, )") + GetParam().reply + "}"));
    CStdStr<wchar_t> token = kOldToken;

    EXPECT_THROW(List(token), Box_20::ApiException);
    EXPECT_EQ(kOldToken, token);
}

INSTANTIATE_TEST_SUITE_P(ListingPaging, BadPages,
                         ::testing::Values(BadPageCase{"NoEntries", R"("json": {"next_marker": null})"},
                                           BadPageCase{"Html", R"("text": "<html></html>")"}),
                         [](const ::testing::TestParamInfo<BadPageCase>& info) { return info.param.name; });

} // namespace
