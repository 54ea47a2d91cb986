// Records and readers over replies in Box's shapes, odd member types, missing members and dates.
#include "BoxExceptions.h"
#include "BoxJson.h"
#include "BoxRecords.h"
#include "WireTestSupport.h"

#include "LSBaseJsonWS.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

using namespace Box_20;

namespace {

Json::Value Parsed(const std::string& text)
{
    Json::Value value;
    std::string errors;
    EXPECT_TRUE(CLSBaseJsonWS::TryParseJson(text, value, errors)) << text;
    return value;
}

// An OLE date from its calendar parts.
DATE Ole(int days, int hours, int minutes, int seconds)
{
    return days + (hours * 3600 + minutes * 60 + seconds) / 86400.0;
}

// A file entry as Box's API description shows it (File--Full), with the members the filter asks for.
const char kFileEntry[] = R"({
  "id": "12345", "etag": "1", "type": "file", "name": "Contract.pdf", "size": 629644,
  "modified_at": "2012-12-12T10:53:43-08:00", "content_modified_at": "2012-12-12T10:53:43-08:00",
  "version_number": "1",
  "permissions": {"can_annotate": true, "can_comment": true, "can_preview": true, "can_upload": true,
                  "can_view_annotations_all": true, "can_view_annotations_self": true, "can_delete": true,
                  "can_download": true, "can_invite_collaborator": true, "can_rename": true,
                  "can_set_share_access": true, "can_share": true},
  "lock": {"id": "11446498", "type": "lock",
           "created_by": {"id": "11446498", "type": "user", "name": "Aaron Levie", "login": "ceo@example.com"},
           "created_at": "2012-12-12T10:53:43-08:00", "expired_at": "2012-12-13T10:53:43-08:00",
           "is_download_prevented": true, "app_type": "office_wopiplus"},
  "metadata": {"enterprise_27335": {"emailT": {
      "$parent": "file_12345", "$template": "emailT", "$scope": "enterprise_27335",
      "from": "ann@example.com", "received": "2024-03-05T09:07:00Z", "sent": "2024-03-05T08:00:00+01:00",
      "subject": "Q3 plan", "to": "bob@example.com", "cc": "", "bcc": "x@example.com",
      "conversationid": "c1", "conversationindex": "AQHX", "conversationtopic": "Q3",
      "internetmessageid": "<m1@example.com>", "hasattachments": 1}}}
})";

// 2012-12-12T18:53:43Z
const DATE kBoxExampleDate = Ole(41255, 18, 53, 43);

} // namespace

TEST(BoxJsonReaders, FileEntryInBoxShape)
{
    const Json::Value file = Parsed(kFileEntry);
    EXPECT_EQ(GetJsonString(file, "id"), L"12345");
    EXPECT_EQ(GetJsonString(file, "name"), L"Contract.pdf");
    EXPECT_EQ(GetJsonString(file, "etag"), L"1");
    EXPECT_EQ(GetJsonInt(file, "version_number"), 1);
    EXPECT_EQ(GetJsonInt(file, "size"), 629644);
    EXPECT_DOUBLE_EQ(GetDateFromJsonValue(file, "modified_at"), kBoxExampleDate);
    const uint32_t flags = GetPermissionFlags(file["permissions"]);
    EXPECT_EQ(flags, kPermissionCanDelete | kPermissionCanUpload);
}

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
}

TEST(BoxDates, TextsToFileTimes)
{
    const std::vector<std::pair<const wchar_t*, uint64_t>> cases = {
        {L"2012-12-12T10:53:43-08:00", 129998120230000000ULL},
        {L"2012-12-13T02:53:43+0800", 129998120230000000ULL},
        {L"2012-12-12T18:53:43.999Z", 129998120230000000ULL},
        {L"2024-02-29T12:00:00Z", 133536816000000000ULL},
        // One second past the signed 32-bit count, and the ends of the range.
        {L"2038-01-19T03:14:08Z", 137919572480000000ULL},
        {L"9999-12-31T23:59:59Z", 2650467743990000000ULL},
        {L"1601-01-01T00:00:00Z", 0ULL},
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(GetDateFromString(text), expected) << WideToUtf8Lossy(text);
    for (const wchar_t* text : {L"", L"garbage", L"2023-02-29T00:00:00Z", L"2012-12-12T24:00:00Z",
                                L"2012-12-12T10:53:43+24:00", L"2012-12-12T10:53:43 junk", L"1600-12-31T23:59:59Z"})
        EXPECT_THROW(GetDateFromString(text), ApiException) << WideToUtf8Lossy(text);
}

TEST(BoxDates, OleDatesFromJson)
{
    const Json::Value value = Parsed(R"({"d": "2012-12-12T10:53:43-08:00", "late": "2100-01-01T06:00:00Z",
        "epoch": "1899-12-30T00:00:00Z", "before": "1899-12-29T06:00:00Z", "nul": null, "n": 5, "bad": "soon"})");
    EXPECT_DOUBLE_EQ(GetDateFromJsonValue(value, "d"), kBoxExampleDate);
    EXPECT_DOUBLE_EQ(GetDateFromJsonValue(value, "late"), Ole(73051, 6, 0, 0));
    EXPECT_DOUBLE_EQ(GetDateFromJsonValue(value, "epoch"), 0.0);
    EXPECT_DOUBLE_EQ(GetDateFromJsonValue(value, "before"), -1.25);
    for (const char* name : {"nul", "n", "bad", "missing"})
        EXPECT_THROW(GetDateFromJsonValue(value, name), ApiException) << name;
    EXPECT_THROW(GetDateFromJsonValue(Json::Value(), "d"), ApiException);

    const OptionalDate present = GetJsonMember(value, "d");
    EXPECT_TRUE(present.Valid);
    EXPECT_DOUBLE_EQ(present.Date, kBoxExampleDate);
    for (const char* name : {"nul", "n", "bad", "missing"}) {
        const OptionalDate absent = GetJsonMember(value, name);
        EXPECT_FALSE(absent.Valid) << name;
        EXPECT_EQ(absent.Date, 0.0) << name;
    }
    EXPECT_FALSE(GetJsonMember(Json::Value(), "d").Valid);
}

TEST(BoxRecordsFromReplies, LockInBoxShape)
{
    const auto lock = CreateLockRecord(Parsed(kFileEntry)["lock"]);
    ASSERT_TRUE(lock);
    EXPECT_EQ(lock->LockId, L"11446498");
    EXPECT_DOUBLE_EQ(lock->CreatedAt, kBoxExampleDate);
    EXPECT_EQ(lock->CreatedBy.Id, L"11446498");
    EXPECT_EQ(lock->CreatedBy.Name, L"Aaron Levie");
    EXPECT_EQ(lock->CreatedBy.Login, L"ceo@example.com");
    EXPECT_EQ(lock->CreatedBy.EnterpriseId, L"");
    EXPECT_DOUBLE_EQ(lock->ExpiresAt, kBoxExampleDate + 1.0);
    EXPECT_TRUE(lock->DownloadPrevented);
}

TEST(BoxRecordsFromReplies, LockEdgeShapes)
{
    // Box has sent locks without a readable creation date: they are still locks.
    const auto undated = CreateLockRecord(Parsed(R"({"id":"1","created_at":"yesterday","is_download_prevented":"true"})"));
    ASSERT_TRUE(undated);
    EXPECT_EQ(undated->CreatedAt, 0.0);
    EXPECT_TRUE(undated->DownloadPrevented);
    EXPECT_DOUBLE_EQ(CreateLockRecord(Parsed(R"({"id":"1","expires_at":"2012-12-12T18:53:43Z"})"))->ExpiresAt,
                     kBoxExampleDate) << "the request's name of the expiry is read too";
    for (const char* noLock : {"null", "\"lock\"", "[]"})
        EXPECT_FALSE(CreateLockRecord(Parsed(noLock))) << noLock;
}

TEST(BoxRecordsFromReplies, EmailPropsInBoxShape)
{
    const auto props = CreateEMailCustomPropsRec(L"27335", L"emailT", Parsed(kFileEntry)["metadata"]);
    ASSERT_TRUE(props);
    EXPECT_EQ(props->From, L"ann@example.com");
    EXPECT_TRUE(props->Received.Valid);
    EXPECT_DOUBLE_EQ(props->Received.Date, Ole(45356, 9, 7, 0));
    EXPECT_TRUE(props->Sent.Valid);
    EXPECT_DOUBLE_EQ(props->Sent.Date, Ole(45356, 7, 0, 0));
    EXPECT_EQ(props->Subject, L"Q3 plan");
    EXPECT_EQ(props->To, L"bob@example.com");
    EXPECT_EQ(props->Cc, L"");
    EXPECT_EQ(props->Bcc, L"x@example.com");
    EXPECT_EQ(props->ConversationId, L"c1");
    EXPECT_EQ(props->ConversationIndex, L"AQHX");
    EXPECT_EQ(props->ConversationTopic, L"Q3");
    EXPECT_EQ(props->InternetMessageId, L"<m1@example.com>");
    EXPECT_EQ(props->HasAttachments, 1);
}

TEST(BoxRecordsFromReplies, EmailPropsOddAndMissing)
{
    const auto odd = CreateEMailCustomPropsRec(
        L"27335", L"emailT", Parsed(R"({"enterprise_27335":{"emailT":{"received":"not a date","subject":"kept"}}})"));
    ASSERT_TRUE(odd);
    EXPECT_FALSE(odd->Received.Valid);
    EXPECT_EQ(odd->Subject, L"kept");
    EXPECT_FALSE(CreateEMailCustomPropsRec(L"27335", L"emailT", Parsed(R"({"enterprise_999":{"emailT":{}}})")));
    EXPECT_FALSE(CreateEMailCustomPropsRec(L"27335", L"emailT", Parsed(R"({"enterprise_27335":{"emailT":null}})")));
}

TEST(BoxRecordsFromReplies, NoPermissionIsReadOnly)
{
    EXPECT_EQ(GetPermissionFlags(Parsed(R"({"can_delete":false,"can_upload":true})")), kPermissionCanUpload);
    EXPECT_EQ(GetPermissionFlags(Parsed(R"({"can_delete":false,"can_download":true})")), kPermissionReadOnly);
    EXPECT_EQ(GetPermissionFlags(Json::Value()), kPermissionReadOnly);
}
