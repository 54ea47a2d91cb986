// How far a listing reads: the change token in and out, the date limit, and where Box's paging breaks off.
#include "OperationsFixture.h"

#include "BoxFolderListing.h"
#include "TestPropertyMap.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <sstream>

using namespace BoxOperations;

namespace {

constexpr char kItemsRoute[] = "GET /2.0/folders/{folder_id}/items";
constexpr uint32_t kPagingLimit = 2;
constexpr uint32_t kIncrementalLimit = 1;

class ListingPaging : public OperationsTest {
protected:
    // Folder "500" with a sub-folder (or the root folder) and files named after their (UTC) dates.
    void SeedDatedFiles(const std::string& parentId, const std::vector<std::string>& dates) const
    {
        std::string files;
        for (const std::string& date : dates) {
            files += (files.empty() ? "" : ",") + std::string(R"({"name": ")") + date.substr(0, 10) +
                     R"(", "parent_id": ")" + parentId + R"(", "content_text": "x", "modified_at": ")" + date + "\"}";
        }
        Seed(std::string(R"({"files": [)") + files + "]" +
             (parentId == "0" ? "}" : R"(, "folders": [{"name": "F", "id": "500"}, {"name": "sub", "parent_id": "500",
                                        "id": "501", "modified_at": "2020-01-01T00:00:00Z"}]})"));
    }

    // Folder "500" answers with these pages in turn: "|" between pages, each its entries and its
    // next_marker ("null", "''" or "-" for no member); an entry is f<id>@<date> (a file) or d... (a folder).
    void ScriptPages(const std::string& pages) const
    {
        Json::Value rule = BoxRoad::ParseJson(R"({"method": "GET", "path": "/2.0/folders/500/items", "replies": []})");
        std::istringstream pageTexts(pages);
        for (std::string pageText; std::getline(pageTexts, pageText, '|');) {
            std::istringstream words(pageText);
            std::vector<std::string> entries{std::istream_iterator<std::string>(words), {}};
            const std::string marker = entries.back();
            entries.pop_back();
            Json::Value& page = rule["replies"].append(BoxRoad::ParseJson(R"({"status": 200, "json": {"entries": []}})"));
            for (const std::string& entry : entries) {
                Json::Value& item = page["json"]["entries"].append(Json::Value(Json::objectValue));
                const size_t at = entry.find('@');
                item["type"] = entry[0] == 'f' ? "file" : "folder";
                item["name"] = item["id"] = entry.substr(1, at - 1);
                item["etag"] = "1";
                item["modified_at"] = entry.substr(at + 1) + (entry.find('T') == std::string::npos ? "T00:00:00Z" : "");
            }
            if (marker != "-")
                page["json"]["next_marker"] = marker == "null" ? Json::Value() : Json::Value(marker == "''" ? "" : marker);
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

struct TokenCase {
    const char* name;
    const wchar_t* token;
    const wchar_t* storedOnFolder;  // or null
    size_t files;
};

const TokenCase kTokens[] = {
    {"OtherFoldersTokenListsInFull", L"501;2024-06-01T00:00:00Z;;;", nullptr, 3},
    {"TokenStoredOnTheFolderWins", L"", L"500;2024-02-15T00:00:00Z;;;", 1},
};

class Tokens : public ListingPaging, public ::testing::WithParamInterface<TokenCase> {};

TEST_P(Tokens, DecideBetweenAFullAndAnIncrementalListing)
{
    SeedDatedFiles("500", {"2024-03-01T00:00:00Z", "2024-02-01T00:00:00Z", "2024-01-01T00:00:00Z"});
    const auto folderMap = TestHost::TestPropertyMap::Create();
    if (GetParam().storedOnFolder != nullptr)
        folderMap->SetText(L"ChangeToken", GetParam().storedOnFolder);
    CStdStr<wchar_t> token = GetParam().token;

    EXPECT_EQ(GetParam().files, List(token, folderMap.get()).Files.size());
    const uint32_t pageSize = GetParam().files == 3 ? kPagingLimit : kIncrementalLimit;
    for (const std::string& query : Queries(kItemsRoute))
        EXPECT_NE(std::string::npos, query.find("limit=" + std::to_string(pageSize))) << query;
    EXPECT_EQ(L"500;2024-03-01T00:00:00Z;;;", token);
    EXPECT_EQ(GetParam().storedOnFolder ? GetParam().storedOnFolder : L"",
              folderMap->Text(L"ChangeToken").value_or(L""))
        << "storing the token is the filter's step";
}

INSTANTIATE_TEST_SUITE_P(ListingPaging, Tokens, ::testing::ValuesIn(kTokens), BoxRoad::CaseName());

struct DateLimitCase {
    const char* name;
    const char* folderId;
    bool idsOnly;
    size_t items;  // sub-folder and the June and May files
    size_t requests;
};

// Pages of two from "500": [sub, Jun], [May, Apr], and April ends it. Box does not sort the root folder.
const DateLimitCase kDateLimits[] = {
    {"FolderStopsAtTheFirstOlderFile", "500", false, 3, 2},
    {"RootFolderIsReadToTheEnd", "0", false, 2, 3},
    {"IdsStopAtTheFirstOlderFile", "500", true, 3, 2},
};

class DateLimits : public ListingPaging, public ::testing::WithParamInterface<DateLimitCase> {};

TEST_P(DateLimits, LeaveOutOlderFiles)
{
    SeedDatedFiles(GetParam().folderId, {"2024-06-01T00:00:00Z", "2024-05-01T00:00:00Z", "2024-04-01T00:00:00Z",
                                         "2024-03-01T00:00:00Z", "2024-02-01T00:00:00Z", "2024-01-01T00:00:00Z"});
    // 2024-04-15 as an OLE date; the tests run with TZ=UTC, so the local date limit is the UTC one.
    const Box_20::OptionalDate limit{45397.0, true};
    const std::wstring folderId = Wide(GetParam().folderId);
    CStdStr<wchar_t> token;

    if (GetParam().idsOnly) {
        const auto ids = Box_20::GetFolderContentIds(informer_.get(), folderId, limit, kPagingLimit);
        ASSERT_EQ(GetParam().items, ids.size());
        EXPECT_EQ(L"501", ids[0]);
    } else {
        const Box_20::FolderListing listing = List(token, nullptr, limit, folderId);
        ASSERT_EQ(2u, listing.Files.size());
        EXPECT_EQ(L"2024-06-01", listing.Files[0].Name);
        EXPECT_EQ(L"2024-05-01", listing.Files[1].Name);
        EXPECT_EQ(GetParam().items, listing.Folders.size() + listing.Files.size()) << "sub-folders are not dated out";
    }
    EXPECT_EQ(GetParam().requests, Queries(kItemsRoute).size());
}

INSTANTIATE_TEST_SUITE_P(ListingPaging, DateLimits, ::testing::ValuesIn(kDateLimits), BoxRoad::CaseName());

// One entry a page, the cutoff on 2024-01-10: where a listing may stop early.
struct EarlyStopCase {
    const char* name;
    const char* pages;
    size_t requests;
    const wchar_t* files;
};

const EarlyStopCase kEarlyStops[] = {
    {"OldestFirstIsReadToTheEnd", "f9001@2024-01-01 m1|f9002@2024-01-05 m2|f9003@2024-01-20 m3|f9004@2024-01-25 null",
     4, L"9003,9004"},
    {"AChangeDatedJustBeforeTheCutoffIsListed",
     "f9001@2024-01-20 m1|f9002@2024-01-09T23:58:00Z m2|f9003@2024-01-01 m3|f9004@2023-12-01 null", 3, L"9001,9002"},
    {"FoldersDoNotCountForTheOrder", "d8001@2019-01-01 m1|f9001@2024-01-20 m2|f9002@2024-01-01 m3|f9003@2023-12-01 null",
     3, L"9001"},
    {"OneOldFileAloneSaysNothingOfTheOrder", "f9001@2024-01-01 m1|f9002@2023-12-01 m2|f9003@2023-11-01 null", 2, L""},
};
class EarlyStops : public ListingPaging, public ::testing::WithParamInterface<EarlyStopCase> {};

// A server that ignored the order asked for, or a clock a little behind, must not cost changes.
TEST_P(EarlyStops, StopOnlyWhereNoLaterFileCanBeWanted)
{
    ScriptPages(GetParam().pages);
    CStdStr<wchar_t> token = L"500;2024-01-10T00:00:00Z;;;";

    std::wstring ids;
    for (const auto& file : List(token).Files)
        ids += (ids.empty() ? L"" : L",") + file.Id;
    EXPECT_EQ(GetParam().files, ids);
    EXPECT_EQ(GetParam().requests, Queries(kItemsRoute).size());
}

INSTANTIATE_TEST_SUITE_P(ListingPaging, EarlyStops, ::testing::ValuesIn(kEarlyStops), BoxRoad::CaseName());

// The next page is asked for while this one is built: whatever befalls it ends the listing as without the overlap.
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
        AddFault(std::string(R"({"method": "GET", "path": "/2.0/folders/500/items", "query": "marker=", "replies": [)") +
                 GetParam().fault + "]}");
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
    // The page begun ahead still reaches Box after the stop: it must land before the next test scripts its pages.
    if (GetParam().stopAtRequest != 0)
        BoxRoad::WaitUntil([this] { return Queries(kItemsRoute).size() == 2; }, std::chrono::seconds(10));
}

INSTANTIATE_TEST_SUITE_P(ListingPaging, NextPage, ::testing::ValuesIn(kNextPage), BoxRoad::CaseName());

// Scripted pages of folder "500"; every file is dated after the cutoff of kOldToken.
struct BrokenPagingCase {
    const char* name;
    const char* pages;
    size_t files;
    bool truncated;
};

constexpr wchar_t kOldToken[] = L"500;2023-06-01T00:00:00Z;;;";

const BrokenPagingCase kBrokenPaging[] = {
    {"MarkerRepeatedAtOnce", "f9001@2024-01-03 m1|f9002@2024-01-02 m1", 2, true},
    {"MarkerComingBackLater", "f9001@2024-01-03 m1|f9002@2024-01-02 m2|f9003@2024-01-01 m1", 3, true},
    {"EmptyPageThatStillNamesAMarker", "f9001@2024-01-03 m1|m2", 1, true},
    {"EmptyLastPage", "f9001@2024-01-03 m1|''", 1, false},
    // Box ends marker paging with next_marker null, "" or no member at all.
    {"NullMarkerEnds", "f9001@2024-01-03 m1|f9002@2024-01-02 null", 2, false},
    {"EmptyMarkerEnds", "f9001@2024-01-03 m1|f9002@2024-01-02 ''", 2, false},
    {"AbsentMarkerEnds", "f9001@2024-01-03 m1|f9002@2024-01-02 -", 2, false},
};

class BrokenPaging : public ListingPaging, public ::testing::WithParamInterface<BrokenPagingCase> {};

// Each page is asked for once: past the scripted pages the stand-in answers 404 for the unknown folder.
TEST_P(BrokenPaging, StopsTheListingKeepsTheCutoffAndFailsTheIdListing)
{
    const size_t pages = std::count(GetParam().pages, GetParam().pages + strlen(GetParam().pages), '|') + 1;
    ScriptPages(GetParam().pages);
    CStdStr<wchar_t> token = kOldToken;

    EXPECT_EQ(GetParam().files, List(token).Files.size());
    EXPECT_EQ(GetParam().truncated ? std::wstring(kOldToken) : std::wstring(L"500;2024-01-03T00:00:00Z;;;"), token)
        << "a listing that broke off must not move the cutoff past what it missed";
    const std::vector<std::string> queries = Queries(kItemsRoute);
    ASSERT_EQ(pages, queries.size());
    EXPECT_NE(std::string::npos, queries[1].find("marker=m1")) << queries[1];

    // The id listing feeds the deletion check: missing ids must not read as deleted items.
    ScriptPages(GetParam().pages);
    if (GetParam().truncated) {
        EXPECT_THROW(Box_20::GetFolderContentIds(informer_.get(), L"500", {}, 2), Box_20::ApiException);
    } else {
        EXPECT_EQ(GetParam().files, Box_20::GetFolderContentIds(informer_.get(), L"500", {}, 2).size());
    }
    EXPECT_EQ(2 * pages, Queries(kItemsRoute).size());
}

INSTANTIATE_TEST_SUITE_P(ListingPaging, BrokenPaging, ::testing::ValuesIn(kBrokenPaging), BoxRoad::CaseName());

class BadPages : public ListingPaging, public ::testing::WithParamInterface<const char*> {};

// A page Box would never send is a failure, never an empty folder the deletion check would take for deleted.
TEST_P(BadPages, FailTheListing)
{
    AddFault(std::string(R"({"method": "GET", "path": "/2.0/folders/500/items", "status": 200, )") + GetParam() + "}");
    CStdStr<wchar_t> token = kOldToken;

    EXPECT_THROW(List(token), Box_20::ApiException);
    EXPECT_EQ(kOldToken, token);
}

INSTANTIATE_TEST_SUITE_P(ListingPaging, BadPages,
                         ::testing::Values(R"("json": {"next_marker": null})", R"("text": "<html></html>")"));

} // namespace
