// The look at a listing page's bytes that lets the next page be asked for before the parse: it
// answers only when certain, and then as the parsed page would.
#include "BoxJson.h"
#include "BoxPageMarkerScan.h"
#include "LSBaseJsonWS.h"

#include <gtest/gtest.h>

namespace {

struct ScanCase {
    const char* page;
    const wchar_t* marker; // null: not certain
};

#define ENTRY R"({"type": "file", "id": "1", "name": "next_marker\": \"x", "m": {"next_marker": "y"}})"

const ScanCase kScans[] = {
    {R"({"entries": [)" ENTRY R"(], "next_marker": "m1", "limit": 2})", L"m1"},
    {R"( { "limit" : 2 , "next_marker" : "m1" , "entries" : [ 1 , [ "]" ] ] } )", L"m1"},
    {R"({"entries": [)" ENTRY R"(], "next_marker": null})", L""},
    {R"({"entries": [)" ENTRY R"(], "next_marker": ""})", L""},
    {R"({"entries": [)" ENTRY R"(]})", L""},
    {R"({"entries": [], "next_marker": "m1"})", nullptr},
    {R"({"next_marker": "m1"})", nullptr},
    {R"({"entries": {}, "next_marker": "m1"})", nullptr},
    {R"({"entries": [1], "next_marker": "m\/1"})", nullptr},
    {R"({"entries": [1], "next_\u006darker": "m1"})", nullptr},
    {R"({"entries": [1], "next_marker": "m1", "next_marker": "m2"})", nullptr},
    {R"({"entries": [1], "next_marker": 5})", nullptr},
    {R"({"entries": [1], /* "next_marker": "m1", */ "next_marker": "m2"})", nullptr},
    {R"({"entries": [1}, "next_marker": "m1"})", nullptr},
    {R"({"entries": [1], "next_marker": "m1")", nullptr},
    {R"([{"entries": [1], "next_marker": "m1"}])", nullptr},
};

#undef ENTRY

class PageMarkerScan : public ::testing::TestWithParam<ScanCase> {};

TEST_P(PageMarkerScan, AnswersOnlyWhenCertainAndAsTheParse)
{
    const std::optional<std::wstring> scanned = Box_20::ScanNextMarker(GetParam().page);
    ASSERT_EQ(GetParam().marker != nullptr, scanned.has_value()) << GetParam().page;
    if (!scanned)
        return;
    EXPECT_EQ(GetParam().marker, *scanned);
    EXPECT_EQ(*scanned, Box_20::GetJsonString(CLSBaseJsonWS::ParseJsonResponse(GetParam().page), "next_marker"));
}

INSTANTIATE_TEST_SUITE_P(ListingPages, PageMarkerScan, ::testing::ValuesIn(kScans));

} // namespace
