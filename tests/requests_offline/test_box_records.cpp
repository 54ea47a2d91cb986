// Records and readers over replies in Box's shapes, odd and missing members, dates, and the page-marker scan.
#include "BoxExceptions.h"
#include "BoxJson.h"
#include "BoxPageMarkerScan.h"
#include "BoxRecords.h"
#include "JsonText.h"
#include "LSBaseJsonWS.h"
#include "WireTestSupport.h"

#include <gtest/gtest.h>

using namespace Box_20;

namespace {

Json::Value Parsed(const std::string& text) { return TestSupport::ParseJson(text); }

// 2012-12-12T18:53:43Z as an OLE date.
const DATE kBoxExampleDate = 41255 + (18 * 3600 + 53 * 60 + 43) / 86400.0;

} // namespace

// Where the tolerant readers draw their lines: one bad value never fails the reply.
TEST(BoxJsonReaders, Boundaries)
{
    Json::Value value = Parsed(R"({"versionText": "7", "big": 3000000000, "bigText": "99999999999", "partly": "7x",
                                   "o": {"a": 1}, "nul": null, "canText": "TRUE"})");
    value["name"] = std::string("ab\xFF" "cd");
    EXPECT_EQ(GetJsonString(value, "name"), L"ab\xFFFD" L"cd") << "a malformed sequence spoils one character";
    EXPECT_EQ(GetJsonString(value, "o"), L"");
    EXPECT_EQ(GetJsonString(Parsed("[1]"), "o"), L"");
    EXPECT_EQ(GetJsonInt(value, "versionText"), 7) << "Box sends version_number as text";
    for (const char* notInt32 : {"big", "bigText", "partly", "nul", "missing"})
        EXPECT_EQ(GetJsonInt(value, notInt32), 0) << notInt32;
    EXPECT_TRUE(GetJsonBool(value, "canText"));
    EXPECT_FALSE(GetJsonBool(value, "o"));
    EXPECT_EQ(GetPermissionFlags(Parsed(R"({"can_delete":true,"can_upload":true})")),
              kPermissionCanDelete | kPermissionCanUpload);
    EXPECT_EQ(GetPermissionFlags(Json::Value()), kPermissionReadOnly);
}

TEST(BoxDates, TextsToFileTimesAndOleDatesFromJson)
{
    const std::pair<const wchar_t*, uint64_t> cases[] = {
        {L"2012-12-12T10:53:43-08:00", 129998120230000000ULL}, {L"2012-12-13T02:53:43+0800", 129998120230000000ULL},
        {L"2012-12-12T18:53:43.999Z", 129998120230000000ULL},
        // One second past the signed 32-bit count, and the ends of the range.
        {L"2038-01-19T03:14:08Z", 137919572480000000ULL}, {L"9999-12-31T23:59:59Z", 2650467743990000000ULL},
        {L"1601-01-01T00:00:00Z", 0ULL}};
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(GetDateFromString(text), expected) << WideToUtf8Lossy(text);
    for (const wchar_t* text : {L"", L"2023-02-29T00:00:00Z", L"2012-12-12T24:00:00Z", L"2012-12-12T10:53:43+24:00",
                                L"2012-12-12T10:53:43 junk", L"1600-12-31T23:59:59Z"})
        EXPECT_THROW(GetDateFromString(text), ApiException) << WideToUtf8Lossy(text);

    const Json::Value value = Parsed(R"({"d": "2012-12-12T10:53:43-08:00", "before": "1899-12-29T06:00:00Z",
                                         "nul": null, "n": 5, "bad": "soon"})");
    EXPECT_DOUBLE_EQ(GetDateFromJsonValue(value, "d"), kBoxExampleDate);
    EXPECT_DOUBLE_EQ(GetDateFromJsonValue(value, "before"), -1.25);
    EXPECT_DOUBLE_EQ(GetJsonMember(value, "d").Date, kBoxExampleDate);
    for (const char* name : {"nul", "n", "bad", "missing"}) {
        EXPECT_THROW(GetDateFromJsonValue(value, name), ApiException) << name;
        EXPECT_FALSE(GetJsonMember(value, name).Valid) << name;
    }
}

TEST(BoxRecordsFromReplies, LockAndEmailPropsShapesOddAndMissing)
{
    const auto lock = CreateLockRecord(Parsed(R"({"id": "11446498", "type": "lock",
        "created_by": {"id": "11446498", "type": "user", "name": "Ann", "login": "ann@example.com"},
        "created_at": "2012-12-12T10:53:43-08:00", "expired_at": "2012-12-13T10:53:43-08:00",
        "is_download_prevented": true})"));
    ASSERT_TRUE(lock);
    EXPECT_DOUBLE_EQ(lock->CreatedAt, kBoxExampleDate);
    EXPECT_EQ(lock->CreatedBy.Login, L"ann@example.com");
    EXPECT_DOUBLE_EQ(lock->ExpiresAt, kBoxExampleDate + 1.0) << "Box names the expiry expired_at in replies";
    // Box has sent locks without a readable creation date: they are still locks.
    const auto undated = CreateLockRecord(Parsed(R"({"id":"1","created_at":"yesterday","is_download_prevented":"true"})"));
    ASSERT_TRUE(undated);
    EXPECT_EQ(undated->CreatedAt, 0.0);
    EXPECT_TRUE(undated->DownloadPrevented);
    EXPECT_DOUBLE_EQ(CreateLockRecord(Parsed(R"({"id":"1","expires_at":"2012-12-12T18:53:43Z"})"))->ExpiresAt,
                     kBoxExampleDate) << "the request's name of the expiry is read too";
    for (const char* noLock : {"null", "\"lock\"", "[]"})
        EXPECT_FALSE(CreateLockRecord(Parsed(noLock))) << noLock;

    const auto odd = CreateEMailCustomPropsRec(L"27335", L"emailT", Parsed(R"({"enterprise_27335":{"emailT":
        {"received":"not a date","sent":"2024-03-05T08:00:00+01:00","subject":"kept","hasattachments":"1"}}})"));
    ASSERT_TRUE(odd);
    EXPECT_FALSE(odd->Received.Valid);
    EXPECT_TRUE(odd->Sent.Valid);
    EXPECT_DOUBLE_EQ(odd->Sent.Date, 45356 + 7 / 24.0);
    EXPECT_EQ(odd->Subject, L"kept");
    EXPECT_EQ(odd->HasAttachments, 1) << "hasattachments as text";
    EXPECT_FALSE(CreateEMailCustomPropsRec(L"27335", L"emailT", Parsed(R"({"enterprise_999":{"emailT":{}}})")));
    EXPECT_FALSE(CreateEMailCustomPropsRec(L"27335", L"emailT", Parsed(R"({"enterprise_27335":{"emailT":null}})")));
}

// It answers only when certain, and then as the parsed page would.
TEST(PageMarkerScan, AnswersOnlyWhenCertainAndAsTheParse)
{
#define ENTRY R"({"type": "file", "id": "1", "name": "next_marker\": \"x", "m": {"next_marker": "y"}})"
    const std::pair<const char*, const wchar_t*> scans[] = { // null: not certain
        {R"({"entries": [)" ENTRY R"(], "next_marker": "m1", "limit": 2})", L"m1"},
        {R"( { "limit" : 2 , "next_marker" : "m1" , "entries" : [ 1 , [ "]" ] ] } )", L"m1"},
        {R"({"entries": [)" ENTRY R"(], "next_marker": null})", L""},
        {R"({"entries": [)" ENTRY R"(], "next_marker": ""})", L""},
        {R"({"entries": [)" ENTRY R"(]})", L""},
        {R"({"entries": [], "next_marker": "m1"})", nullptr}, {R"({"next_marker": "m1"})", nullptr},
        {R"({"entries": {}, "next_marker": "m1"})", nullptr}, {R"({"entries": [1], "next_marker": "m\/1"})", nullptr},
        {R"({"entries": [1], "next_\u006darker": "m1"})", nullptr}, {R"({"entries": [1], "next_marker": 5})", nullptr},
        {R"({"entries": [1], "next_marker": "m1", "next_marker": "m2"})", nullptr},
        {R"({"entries": [1], /* "next_marker": "m1", */ "next_marker": "m2"})", nullptr},
        {R"({"entries": [1}, "next_marker": "m1"})", nullptr}, {R"({"entries": [1], "next_marker": "m1")", nullptr},
        {R"([{"entries": [1], "next_marker": "m1"}])", nullptr},
    };
#undef ENTRY
    for (const auto& [page, marker] : scans) {
        const std::optional<std::wstring> scanned = ScanNextMarker(page);
        ASSERT_EQ(marker != nullptr, scanned.has_value()) << page;
        if (scanned) {
            EXPECT_EQ(marker, *scanned);
            EXPECT_EQ(*scanned, GetJsonString(CLSBaseJsonWS::ParseJsonResponse(page), "next_marker"));
        }
    }
}
