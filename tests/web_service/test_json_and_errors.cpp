// JSON body text, reply parsing, the HTTP error's text and Retry-After reading.
#include "LSBaseJsonWS.h"
#include "LSHttpError.h"
#include "LSJsonText.h"
#include "WebServiceTestSupport.h"

#include <wininet.h>

#include <climits>

using namespace WebServiceTest;

TEST(JsonText, EscapesExactlyTheCharactersJsonRequires)
{
    const struct {
        std::wstring text;
        std::wstring escaped;
    } cases[] = {
        {L"plain", L"plain"},
        {L"say \"hi\"", L"say \\\"hi\\\""},
        {L"C:\\dir", L"C:\\\\dir"},
        {L"\b\f\n\r\t", L"\\b\\f\\n\\r\\t"},
        {std::wstring(1, L'\x01') + L"\x1f", L"\\u0001\\u001F"},
        {L"a/b", L"a/b"},
        {L"Gr\x00fc\x00df" L"e \x6F22\x7F", L"Gr\x00fc\x00df" L"e \x6F22\x7F"},
        {L"", L""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(EscapeJsonString(c.text), c.escaped) << Utf8(c.text);
    EXPECT_EQ(QuoteJsonString(L"x\ty"), L"\"x\\ty\"");
    EXPECT_EQ(QuoteJsonString(L""), L"\"\"");
}

TEST(JsonText, BuildsObjectsWithValuesVerbatimAndALineFeedAfterTheBrace)
{
    EXPECT_EQ(BuildJsonObjectText({}), L"");
    EXPECT_EQ(BuildJsonObjectText({{L"name", QuoteJsonString(L"a\"b")}}), L"{\"name\":\"a\\\"b\"}\n");
    EXPECT_EQ(BuildJsonObjectText({{L"a", L"1"}, {L"parent", L"{\"id\":\"0\"}"}, {L"n", L"null"}}),
              L"{\"a\":1,\"parent\":{\"id\":\"0\"},\"n\":null}\n");
}

TEST(JsonText, ParsesRepliesAsUtf8)
{
    const Json::Value value =
        CLSBaseJsonWS::ParseJsonResponse("{\"name\":\"Gr\xc3\xbc\xc3\x9f" "e\",\"size\":5000000000,\"e\":[]}");
    EXPECT_EQ(value["name"].asString(), "Gr\xc3\xbc\xc3\x9f" "e");
    EXPECT_EQ(value["size"].asUInt64(), 5000000000ULL);
    EXPECT_TRUE(value["e"].isArray());
}

TEST(JsonText, AnUnparsableReplyThrowsEFailAndIsLoggedWithoutItsSecrets)
{
    StartLoggingOnce();
    const std::string broken = "{\"access_token\":\"LeakCheckToken91\",\"entries\":[1,2";
    EXPECT_EQ(ThrownHresult([&] { CLSBaseJsonWS::ParseJsonResponse(broken); }), E_FAIL);
    EXPECT_EQ(ThrownHresult([] { CLSBaseJsonWS::ParseJsonResponse(""); }), E_FAIL);
    const std::string log = ReadLogFiles();
    EXPECT_NE(log.find("Reader error:\n"), std::string::npos);
    EXPECT_NE(log.find("Response:\n{\"access_token\":\"[redacted]\",\"entries\":[1,2"), std::string::npos);
    EXPECT_EQ(log.find("LeakCheckToken91"), std::string::npos);
}

TEST(HttpError, FormatsMessageStatusAndDetail)
{
    EXPECT_EQ(LSHttpError(404, L"Not Found").FormatMessage(), L"Not Found (404)");
    EXPECT_EQ(LSHttpError(503, L"Unknown").FormatMessage(), L"Error (503)");
    EXPECT_EQ(LSHttpError(-1, L"Unknown", 0, L"no reply").FormatMessage(), L"Error (-1)\n(no reply)");
    EXPECT_EQ(LSHttpError(409, L"Conflict", 0, L"{\"code\":\"item_name_in_use\"}").FormatMessage(),
              L"Conflict (409)\n({\"code\":\"item_name_in_use\"})");
}

TEST(HttpError, ReadsRetryAfterAsSecondsOrAsADate)
{
    EXPECT_EQ(ParseRetryAfterSeconds(L"120"), 120);
    EXPECT_EQ(ParseRetryAfterSeconds(L" 7 "), 7);
    EXPECT_EQ(ParseRetryAfterSeconds(L"0"), 0);
    EXPECT_EQ(ParseRetryAfterSeconds(L""), 0);
    EXPECT_EQ(ParseRetryAfterSeconds(L"-5"), 0);
    EXPECT_EQ(ParseRetryAfterSeconds(L"soon"), 0);
    EXPECT_EQ(ParseRetryAfterSeconds(L"99999999999999"), INT_MAX);
    EXPECT_EQ(ParseRetryAfterSeconds(L"Wed, 21 Oct 2015 07:28:00 GMT"), 0);

    FILETIME now = {};
    ::GetSystemTimeAsFileTime(&now);
    ULARGE_INTEGER later = {};
    later.LowPart = now.dwLowDateTime;
    later.HighPart = now.dwHighDateTime;
    later.QuadPart += 90ULL * 10000000ULL;
    const FILETIME laterTime = {later.LowPart, later.HighPart};
    SYSTEMTIME laterSystem = {};
    ::FileTimeToSystemTime(&laterTime, &laterSystem);
    wchar_t date[INTERNET_RFC1123_BUFSIZE + 1] = {};
    ASSERT_TRUE(::InternetTimeFromSystemTimeW(&laterSystem, INTERNET_RFC1123_FORMAT, date, sizeof(date)));
    const int32_t seconds = ParseRetryAfterSeconds(date);
    EXPECT_GE(seconds, 80);
    EXPECT_LE(seconds, 90);
}
