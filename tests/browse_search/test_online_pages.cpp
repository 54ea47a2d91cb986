// Online search pages: search parameters, layout, total, entry ids, previews and failed searches.
#include "BrowseSearchFixture.h"

#include "ByteArrays.h"

using namespace BrowseSearch;

namespace {

constexpr char kResults[] = R"({"folders": [{"name": "Search Root", "id": "700"}], "files": [
  {"name": "Offer.msg", "parent_id": "700", "id": "701", "content_text": "offer",
   "modified_at": "2024-03-05T09:07:00Z", "content_modified_at": "2024-03-04T08:00:00Z",
   "metadata": {"enterprise_1234567": {"mailProps": {"from": "ann@example.com", "subject": "Offer",
                "received": "2024-03-01T10:00:00Z", "hasattachments": 1}}}},
  {"name": "Offer notes.docx", "parent_id": "700", "id": "702", "content_text": "notes",
   "modified_at": "2024-03-04T09:07:00Z"},
  {"name": "Offer README", "parent_id": "700", "id": "703", "content_text": "r",
   "modified_at": "2024-03-03T09:07:00Z",
   "metadata": {"enterprise_1234567": {"mailProps": {"received": "5 March"}}}}]})";
constexpr char kSearchRoute[] = "GET /2.0/search";
constexpr int kWidth = 12;

// A UTC time as the host's VT_UI8 file time.
_variant_t FileTimeOf(int year, int month, int day, int hour = 0, int minute = 0)
{
    const SYSTEMTIME time{static_cast<WORD>(year), static_cast<WORD>(month), 0, static_cast<WORD>(day),
                          static_cast<WORD>(hour), static_cast<WORD>(minute), 0, 0};
    _variant_t value;
    value.vt = VT_UI8;
    ::SystemTimeToFileTime(&time, reinterpret_cast<FILETIME*>(&value.ullVal));
    return value;
}

// The host's criteria table: three cells a row.
_variant_t Cells(const std::vector<_variant_t>& cells)
{
    TalvernCommon::unique_safearray array(::SafeArrayCreateVector(VT_VARIANT, 0, static_cast<ULONG>(cells.size())));
    for (LONG i = 0; i < static_cast<LONG>(cells.size()); ++i)
        ::SafeArrayPutElement(array.get(), &i, const_cast<_variant_t*>(&cells[i]));
    _variant_t value;
    value.vt = VT_ARRAY | VT_VARIANT;
    value.parray = array.release();
    return value;
}

std::string PercentDecoded(std::string text)
{
    for (size_t at = text.find('%'); at != std::string::npos && at + 2 < text.size(); at = text.find('%', at + 1))
        text.replace(at, 3, 1, static_cast<char>(std::stoi(text.substr(at + 1, 2), nullptr, 16)));
    return text;
}

class OnlinePages : public BrowseSearchTest {
protected:
    ILSQueryOnlinePageResults* Pages() { return filter_.get(); }

    void SearchFor(const wchar_t* text) { ASSERT_EQ(S_OK, Pages()->raw_SetSearchText(_bstr_t(text))); }

    long Total()
    {
        long count = -1;
        EXPECT_EQ(S_OK, Pages()->raw_GetOnlineResultsSize(&count));
        return count;
    }

    TalvernCommon::unique_variant Page(long start, long count, HRESULT expected = S_OK)
    {
        TalvernCommon::unique_variant page;
        EXPECT_EQ(expected, Pages()->raw_GetOnlinePage(start, count, page.put()));
        return page;
    }

    static long CellCount(const TalvernCommon::unique_variant& page)
    {
        return page.vt() == (VT_ARRAY | VT_VARIANT) ? static_cast<long>(page.get()->parray->rgsabound[0].cElements)
                                                    : -1;
    }

    static _variant_t Cell(const TalvernCommon::unique_variant& page, long row, long column)
    {
        _variant_t cell;
        LONG index = row * kWidth + column;
        ::SafeArrayGetElement(page.get()->parray, &index, &cell);
        return cell;
    }

    std::string LastSearchQuery() const
    {
        const Json::Value searches = Journal(kSearchRoute);
        return searches.empty() ? std::string("(no search)")
                                : PercentDecoded(searches[searches.size() - 1]["query"].asString()) + "&";
    }
};

TEST_F(OnlinePages, PageLayoutEntryIdsAndPreviews)
{
    Seed(kResults);
    SearchFor(L"Offer");
    ASSERT_EQ(S_OK, Pages()->raw_SetRootLocation(_bstr_t(L"https://app.box.com/folder/700/")));

    const TalvernCommon::unique_variant page = Page(0, 10);
    ASSERT_EQ(3 * kWidth, CellCount(page));
    EXPECT_NE(std::string::npos, LastSearchQuery().find("query=Offer&ancestor_folder_ids=700&offset=0&limit=10&"));

    EXPECT_EQ(_variant_t(L"Offer.msg"), Cell(page, 0, 2));
    EXPECT_EQ(_variant_t(int64_t(5)), Cell(page, 0, 3));
    EXPECT_EQ(_variant_t(L"ann@example.com"), Cell(page, 0, 4));
    EXPECT_EQ(FileTimeOf(2024, 3, 1, 10), Cell(page, 0, 5));
    EXPECT_EQ(_variant_t(L"Offer"), Cell(page, 0, 9));
    EXPECT_EQ(_variant_t(true), Cell(page, 0, 10));
    EXPECT_EQ(FileTimeOf(2024, 3, 4, 8), Cell(page, 0, 11));
    // Without e-mail metadata: who changed the file last, and when.
    EXPECT_EQ(_variant_t(L"Test User"), Cell(page, 1, 4));
    EXPECT_EQ(FileTimeOf(2024, 3, 4, 9, 7), Cell(page, 1, 5));
    EXPECT_EQ(VT_EMPTY, Cell(page, 2, 5).vt) << "a received text that is no date";

    const TalvernCommon::unique_variant later = Page(1, 1);
    ASSERT_EQ(kWidth, CellCount(later));
    const _variant_t laterId = Cell(later, 0, 1);
    ASSERT_EQ(VT_ARRAY | VT_UI1, laterId.vt);
    ASSERT_EQ(4u, laterId.parray->rgsabound[0].cElements);
    const TalvernCommon::SafeArrayData idBytes(laterId.parray);
    EXPECT_EQ((std::vector<BYTE>{1, 0, 0, 0}), std::vector<BYTE>(idBytes.Bytes(), idBytes.Bytes() + 4));
    EXPECT_EQ(_variant_t(L"Offer notes.docx"), Cell(later, 0, 2));

    // Entry ids decode to the result; only messages have a preview.
    TalvernCommon::unique_bstr fileUrl, folderUrl, fileName, filterText, preview;
    VARIANT_BOOL isMessage = VARIANT_FALSE;
    long size = 0;

    ASSERT_EQ(S_OK, Pages()->raw_GetResultInfo(Cell(page, 0, 0), fileUrl.put(), folderUrl.put(), &isMessage,
                                               fileName.put(), filterText.put(), &size));
    EXPECT_EQ(std::wstring(kApplicationUrl) + L"/file/701", Text(fileUrl));
    EXPECT_EQ(std::wstring(kApplicationUrl) + L"/folder/700", Text(folderUrl));
    EXPECT_EQ(VARIANT_TRUE, isMessage);
    EXPECT_EQ(L"Offer.msg", Text(fileName));
    EXPECT_EQ(L"#filter:file|701/Offer.msg", Text(filterText));
    EXPECT_EQ(5, size);

    ASSERT_EQ(S_OK, Pages()->raw_GetPreviewUrl(Cell(page, 0, 0), preview.put()));
    EXPECT_EQ(standIn_.BaseUrlWide() + L"/_preview/701", Text(preview));
    ASSERT_EQ(S_OK, Pages()->raw_GetPreviewUrl(Cell(page, 1, 0), preview.put()));
    EXPECT_EQ(L"", Text(preview));
    EXPECT_EQ(1u, Journal("GET /2.0/files/{file_id}").size()) << "no request for a file that is no message";
}

TEST_F(OnlinePages, TotalIsCappedAndTheWindowIsFetchedOnce)
{
    Seed(kResults);
    SearchFor(L"Offer");
    EXPECT_EQ(0, CellCount(Page(0, 0)));
    EXPECT_EQ(3, Total());
    EXPECT_NE(std::string::npos, LastSearchQuery().find("offset=0&limit=1&"));
    settings_.SetDword(SettingsSource::User, L"BoxSync.CapOnlineResults", 2);
    EXPECT_EQ(2, Total());
    ASSERT_EQ(S_OK, Pages()->raw_SetSort(VARIANT_TRUE, 11)) << "one custom column";
    EXPECT_EQ(E_INVALIDARG, Pages()->raw_SetSort(VARIANT_TRUE, 12));
    EXPECT_EQ(2, Total());
    EXPECT_EQ(2u, Journal(kSearchRoute).size()) << "only the new sort asked again";
    // The location is compared with the id kept from it: given again, it refreshes the results.
    for (int i = 0; i < 2; ++i) {
        ASSERT_EQ(S_OK, Pages()->raw_SetRootLocation(_bstr_t(L"https://app.box.com/folder/700")));
        EXPECT_EQ(2, Total());
    }
    EXPECT_EQ(4u, Journal(kSearchRoute).size()) << "the same location given again asks again";
    EXPECT_NE(std::string::npos, LastSearchQuery().find("ancestor_folder_ids=700&"));
    ASSERT_EQ(S_OK, Pages()->raw_SetRootLocation(_bstr_t(L"700")));
    EXPECT_EQ(2, Total());
    EXPECT_EQ(4u, Journal(kSearchRoute).size()) << "the kept id itself is no change";

    SearchFor(L"nothing like it");
    EXPECT_EQ(0, Total());
    EXPECT_EQ(0, CellCount(Page(0, 10)));
    SearchFor(L"_INVALID_SEARCH_QUERY_");
    EXPECT_EQ(0, Total());
    EXPECT_EQ(6u, Journal(kSearchRoute).size());
}

// Box pages at most 200 results and no further in than offset 10,000.
TEST_F(OnlinePages, WindowsAreAskedInBoxPagesAndTheTotalEndsWhereBoxPagesTo)
{
    Json::Value files;
    for (int n = 0; n < 205; ++n)
        files["files"][n] = BoxRoad::ParseJson(R"({"content_text": "b", "name": "Bulk )" + std::to_string(n) + R"("})");
    Seed(files.toStyledString());
    SearchFor(L"Bulk");

    EXPECT_EQ(201 * kWidth, CellCount(Page(4, 201)));
    EXPECT_NE(std::string::npos, LastSearchQuery().find("offset=204&limit=1&"));
    EXPECT_EQ(0, CellCount(Page(10000, 10)));
    EXPECT_EQ(2u, Journal(kSearchRoute).size());
    AddFault(R"({"method": "GET", "path": "/2.0/search", "json": {"total_count": 25000, "entries": []}})");
    SearchFor(L"Bulk 1");
    EXPECT_EQ(10000, Total());
}

// The host changes the search from a window message handled while the search waits for Box.
TEST_F(OnlinePages, AReplyToASearchChangedMeanwhileIsNotKept)
{
    Seed(kResults);
    SearchFor(L"Offer");
    EXPECT_EQ(3, Total());
    AddFault(R"({"method": "GET", "path": "/2.0/search", "action": "pass", "delay_ms": 500})");
    long rows = -1;
    ASSERT_TRUE(BoxRoad::RunWithNestedCall([&] { rows = CellCount(Page(0, 10)) / kWidth; },
                                           [&] { SearchFor(L"notes"); },
                                           [&] { return Journal(kSearchRoute).size() == 2u; }));

    EXPECT_EQ(3, rows);
    EXPECT_EQ(1, Total());
    EXPECT_NE(std::string::npos, LastSearchQuery().find("query=notes&"));
}

TEST_F(OnlinePages, AFailedSearchIsReportedAndTriedAgainAndBadMatchesAreNeverSent)
{
    Seed(kResults);
    SearchFor(L"Offer");
    AddFault(R"({"method": "GET", "path": "/2.0/search", "status": 400,
                 "error": {"code": "bad_request", "message": "no"}, "times": 2})");

    long count = 0;
    EXPECT_TRUE(FAILED(Pages()->raw_GetOnlineResultsSize(&count)));
    EXPECT_EQ(VT_EMPTY, Page(0, 10, E_FAIL).vt());
    EXPECT_EQ(3, CellCount(Page(0, 10)) / kWidth);
    EXPECT_EQ(3u, Journal(kSearchRoute).size());
    EXPECT_EQ(E_INVALIDARG, Pages()->raw_GetOnlinePage(0, -1, TalvernCommon::unique_variant().put()));

    // Bad matches are refused before any search.
    EXPECT_EQ(E_INVALIDARG, Pages()->raw_SetQueryMatches(Cells({3, 1L}), _variant_t()));
    ASSERT_EQ(S_OK, Pages()->raw_SetQueryMatches(Cells({3, -1L, 1}), _variant_t()));
    EXPECT_TRUE(FAILED(Pages()->raw_GetOnlineResultsSize(&count)));
    EXPECT_EQ(3u, Journal(kSearchRoute).size());
}

struct MatchCase {
    const char* name;
    std::vector<_variant_t> standard;
    std::vector<_variant_t> custom;
    std::vector<std::string> present;
    std::vector<std::string> absent;
};

class MatchParameters : public OnlinePages, public ::testing::WithParamInterface<MatchCase> {};

TEST_P(MatchParameters, BecomeSearchParameters)
{
    Seed(kResults);
    ASSERT_EQ(S_OK, Pages()->raw_SetRestrictSearchText(_bstr_t(L"")));
    SearchFor(L"Offer");
    ASSERT_EQ(S_OK, Pages()->raw_SetQueryMatches(Cells(GetParam().standard), Cells(GetParam().custom)));

    Total();

    const std::string query = LastSearchQuery();
    for (const std::string& part : GetParam().present)
        EXPECT_NE(std::string::npos, query.find(part)) << part << " in " << query;
    for (const std::string& part : GetParam().absent)
        EXPECT_EQ(std::string::npos, query.find(part)) << part << " in " << query;
}

const _variant_t kJanuary = FileTimeOf(2024, 1, 1);
const _variant_t kFebruary = FileTimeOf(2024, 2, 1);

const MatchCase kMatches[] = {
    {"DateRange", {5, kJanuary, 1, 5, kFebruary, 4}, {},
     {"query=Offer&", "&updated_at_range=2024-01-01T00:00:00Z,2024-02-01T00:00:00Z&"}, {}},
    {"LowerDateOnly", {5, kJanuary, 2}, {}, {"&updated_at_range=2024-01-01T00:00:00Z,&"}, {}},
    {"SizeKinds", {3, 100L, 0, 3, 500L, 4}, {}, {"&size_range=,500&"}, {"size_range=100"}},
    {"SubjectNotName", {9, L"report", 0, 2, L"Offer", 0}, {},
     {R"(&mdfilters=[{"scope":"enterprise","templateKey":"mailProps","filters":{"subject":"report"}}]&)"}, {}},
    {"AttachmentsTextZero", {10, L"no", 0, 10, L"0", 0}, {}, {"query=Offer&"}, {"mdfilters"}},
    {"AttachmentsText", {10, L"no", 0}, {}, {R"("filters":{"hasattachments":{"gt":1,"lt":1}})"}, {}},
    {"FileExtensions", {}, {L"fileext", L"doc", 0, L"FileExt", L"pdf,docx", 0}, {"&file_extensions=pdf,docx&"},
     {"doc&"}},
};
INSTANTIATE_TEST_SUITE_P(Matches, MatchParameters, ::testing::ValuesIn(kMatches), BoxRoad::CaseName());

} // namespace
