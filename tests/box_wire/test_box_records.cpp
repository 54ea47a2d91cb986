// Records and readers over replies in Box's shapes, odd member types, missing members and dates.
#include "BoxExceptions.h"
#include "BoxJson.h"
#include "BoxRecords.h"
#include "WireTestSupport.h"

#include <json/reader.h>

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

using namespace Box_20;

namespace {

Json::Value Parsed(const std::string& text)
{
    Json::Value value;
    Json::Reader reader;
    EXPECT_TRUE(reader.parse(text, value)) << text;
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

TEST(BoxJsonReaders, TextsOfEveryType)
{
    const Json::Value value = Parsed(R"({"s": "\u6f22\u5b57", "n": 12345, "neg": -7, "b": true, "nul": null,
                                         "o": {"a": 1}, "a": [1], "f": 2.5})");
    EXPECT_EQ(GetJsonString(value, "s"), L"\x6F22\x5B57");
    EXPECT_EQ(GetJsonString(value, "n"), L"12345");
    EXPECT_EQ(GetJsonString(value, "neg"), L"-7");
    EXPECT_EQ(GetJsonString(value, "b"), L"true");
    EXPECT_EQ(GetJsonString(value, "f"), L"2.5");
    for (const char* name : {"nul", "o", "a", "missing"})
        EXPECT_EQ(GetJsonString(value, name), L"") << name;
    for (const Json::Value& notAnObject : {Json::Value(), Parsed("[1,2]"), Json::Value("text"), Json::Value(3)})
        EXPECT_EQ(GetJsonString(notAnObject, "s"), L"");
    // A malformed UTF-8 sequence spoils one character, not the text.
    Json::Value raw(Json::objectValue);
    raw["name"] = std::string("ab\xFF" "cd");
    EXPECT_EQ(GetJsonString(raw, "name"), L"ab\xFFFD" L"cd");
}

TEST(BoxJsonReaders, NumbersOfEveryType)
{
    const Json::Value value = Parsed(R"({"int": 7, "text": "7", "spaced": " 8 ", "negText": "-3", "plus": "+4", "signs": "+-4",
        "real": 2.9, "negReal": -2.9, "word": "abc", "partly": "7x", "big": 3000000000, "bigText": "99999999999",
        "huge": 1e300, "yes": true, "no": false, "nul": null, "o": {}, "a": [], "empty": ""})");
    const std::vector<std::pair<const char*, int32_t>> cases = {
        {"int", 7},   {"text", 7},  {"spaced", 8},  {"negText", -3}, {"plus", 4}, {"signs", 0},    {"real", 2},
        {"negReal", -2}, {"word", 0}, {"partly", 0}, {"big", 0},      {"bigText", 0}, {"huge", 0},
        {"yes", 1},   {"no", 0},    {"nul", 0},     {"o", 0},        {"a", 0},       {"empty", 0},
        {"missing", 0}};
    for (const auto& [name, expected] : cases)
        EXPECT_EQ(GetJsonInt(value, name), expected) << name;
    EXPECT_EQ(GetJsonInt(Parsed("[7]"), "int"), 0);
}

TEST(BoxJsonReaders, BoolsOfEveryType)
{
    const Json::Value value = Parsed(R"({"t": true, "f": false, "one": 1, "zero": 0, "text": "true", "upper": "TRUE",
        "textOne": "1", "textFalse": "false", "yes": "yes", "nul": null, "o": {}})");
    const std::vector<std::pair<const char*, bool>> cases = {
        {"t", true},  {"f", false},        {"one", true}, {"zero", false}, {"text", true},   {"upper", true},
        {"textOne", true}, {"textFalse", false}, {"yes", false}, {"nul", false}, {"o", false}, {"missing", false}};
    for (const auto& [name, expected] : cases)
        EXPECT_EQ(GetJsonBool(value, name), expected) << name;
}

TEST(BoxDates, TextsToFileTimes)
{
    const std::vector<std::pair<const wchar_t*, uint64_t>> cases = {
        {L"1970-01-01T00:00:00Z", 116444736000000000ULL},
        {L"2012-12-12T10:53:43-08:00", 129998120230000000ULL},
        {L"2012-12-12T18:53:43Z", 129998120230000000ULL},
        {L"2012-12-12T18:53:43.999Z", 129998120230000000ULL},
        {L"2012-12-12t18:53:43z", 129998120230000000ULL},
        {L"2012-12-12T18:53:43", 129998120230000000ULL},
        {L"2012-12-13T02:53:43+0800", 129998120230000000ULL},
        {L"2024-03-05T09:07:00+05:30", 133540834200000000ULL},
        {L"2024-02-29T12:00:00Z", 133536816000000000ULL},
        // One second past the signed 32-bit count, and well beyond it.
        {L"2038-01-19T03:14:08Z", 137919572480000000ULL},
        {L"2100-01-01T00:00:00Z", 157469184000000000ULL},
        {L"9999-12-31T23:59:59Z", 2650467743990000000ULL},
        {L"1601-01-01T00:00:00Z", 0ULL},
        {L" 1970-01-01T00:00:00Z ", 116444736000000000ULL},
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(GetDateFromString(text), expected) << WideToUtf8Lossy(text);
}

TEST(BoxDates, NonDatesFail)
{
    for (const wchar_t* text : {L"", L"garbage", L"2012-12-12", L"2012-13-01T00:00:00Z", L"2012-00-01T00:00:00Z",
                                L"2012-02-30T00:00:00Z", L"2023-02-29T00:00:00Z", L"1900-02-29T00:00:00Z",
                                L"2012-12-12T24:00:00Z", L"2012-12-12T10:60:00Z", L"2012-12-12T10:53:43+24:00",
                                L"2012-12-12T10:53:43 junk", L"2012-12-12T10:53:43.Z", L"1600-12-31T23:59:59Z",
                                L"12-12-2012T10:53:43Z", L"2012-1-12T10:53:43Z"}) {
        try {
            GetDateFromString(text);
            ADD_FAILURE() << "accepted " << WideToUtf8Lossy(text);
        } catch (const ApiException& error) {
            EXPECT_EQ(error.GetText().rfind(L"Box_20::GetDateFromString ", 0), 0u);
        }
    }
    EXPECT_NO_THROW(GetDateFromString(L"2000-02-29T00:00:00Z"));
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
    struct Case {
        const char* lock;
        DATE createdAt;
        DATE expiresAt;
        bool prevented;
        const wchar_t* creatorLogin;
    };
    const Case cases[] = {
        {R"({"id":"1","created_by":null,"created_at":"2012-12-12T18:53:43Z"})", kBoxExampleDate, 0, false, L""},
        {R"({"id":"1","created_at":"2012-12-12T18:53:43Z","expires_at":null})", kBoxExampleDate, 0, false, L""},
        {R"({"id":"1","created_at":"2012-12-12T18:53:43Z","expires_at":"2012-12-12T18:53:43Z"})", kBoxExampleDate,
         kBoxExampleDate, false, L""},
        // Locks without a readable creation date are still locks.
        {R"({"id":"1","created_by":{"login":"a@b"},"is_download_prevented":true})", 0, 0, true, L"a@b"},
        {R"({"id":"1","created_at":"yesterday","expired_at":7,"is_download_prevented":"true"})", 0, 0, true, L""},
        {R"({"id":"1","created_by":"someone","created_at":null})", 0, 0, false, L""},
    };
    for (const Case& c : cases) {
        const auto lock = CreateLockRecord(Parsed(c.lock));
        ASSERT_TRUE(lock) << c.lock;
        EXPECT_EQ(lock->LockId, L"1") << c.lock;
        EXPECT_DOUBLE_EQ(lock->CreatedAt, c.createdAt) << c.lock;
        EXPECT_DOUBLE_EQ(lock->ExpiresAt, c.expiresAt) << c.lock;
        EXPECT_EQ(lock->DownloadPrevented, c.prevented) << c.lock;
        EXPECT_EQ(lock->CreatedBy.Login, c.creatorLogin) << c.lock;
    }
    for (const char* noLock : {"null", "\"lock\"", "[]", "3"})
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
    const auto make = [](const std::string& instance) {
        return CreateEMailCustomPropsRec(L"27335", L"emailT", Parsed(R"({"enterprise_27335":{"emailT":)" + instance + "}}"));
    };
    EXPECT_EQ(make(R"({"hasattachments":"1"})")->HasAttachments, 1);
    EXPECT_EQ(make(R"({"hasattachments":"0"})")->HasAttachments, 0);
    EXPECT_EQ(make(R"({"hasattachments":2.0})")->HasAttachments, 2);
    EXPECT_EQ(make(R"({"hasattachments":"many"})")->HasAttachments, 0);
    EXPECT_FALSE(make(R"({"received":null})")->Received.Valid);
    EXPECT_FALSE(make(R"({})")->Received.Valid);
    const auto odd = make(R"({"received":"not a date","sent":"2024-03-05T09:07:00Z","subject":"kept"})");
    EXPECT_FALSE(odd->Received.Valid);
    EXPECT_TRUE(odd->Sent.Valid);
    EXPECT_EQ(odd->Subject, L"kept");

    const Json::Value otherEnterprise = Parsed(R"({"enterprise_999":{"emailT":{"from":"a"}}})");
    EXPECT_FALSE(CreateEMailCustomPropsRec(L"27335", L"emailT", otherEnterprise));
    EXPECT_FALSE(CreateEMailCustomPropsRec(L"27335", L"emailT", Parsed(R"({"enterprise_27335":{"emailT":null}})")));
    EXPECT_FALSE(CreateEMailCustomPropsRec(L"27335", L"emailT", Parsed(R"({"enterprise_27335":null})")));
    EXPECT_FALSE(CreateEMailCustomPropsRec(L"27335", L"emailT", Parsed(R"({"enterprise_27335":{"fpT":{}}})")));
    EXPECT_FALSE(CreateEMailCustomPropsRec(L"27335", L"emailT", Json::Value()));
}

TEST(BoxRecordsFromReplies, PermissionFlags)
{
    const std::vector<std::pair<const char*, uint32_t>> cases = {
        {R"({"can_delete":true,"can_upload":true})", kPermissionCanDelete | kPermissionCanUpload},
        {R"({"can_delete":false,"can_upload":true})", kPermissionCanUpload},
        {R"({"can_delete":true,"can_upload":false})", kPermissionCanDelete},
        {R"({"can_delete":false,"can_upload":false,"can_download":true})", kPermissionReadOnly},
        {R"({})", kPermissionReadOnly},
        {"null", kPermissionReadOnly},
    };
    for (const auto& [permissions, expected] : cases)
        EXPECT_EQ(GetPermissionFlags(Parsed(permissions)), expected) << permissions;
}
