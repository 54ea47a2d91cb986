// JSON body text, reply parsing, what counts as a secret in a request or reply, and Retry-After.
#include "LSBaseJsonWS.h"
#include "LSHttpRedaction.h"
#include "LSJsonText.h"
#include "WebServiceTestSupport.h"

#include <wininet.h>

#include <climits>

using namespace LSHttpRedaction;
using namespace WebServiceTest;

TEST(JsonText, EscapesControlsAndQuotesReadsUtf8RepliesLogsAnUnparsableOneWithoutSecrets)
{
    EXPECT_EQ(EscapeJsonString(L"say \"hi\" C:\\d\b\n" + std::wstring(1, L'\x01') + L"\x1f a/b Gr\x00fc\x6F22"),
              L"say \\\"hi\\\" C:\\\\d\\b\\n\\u0001\\u001F a/b Gr\x00fc\x6F22");
    EXPECT_EQ(BuildJsonObjectText({{L"name", QuoteJsonString(L"a\"b")}, {L"parent", L"{\"id\":\"0\"}"}}),
              L"{\"name\":\"a\\\"b\",\"parent\":{\"id\":\"0\"}}\n");

    const Json::Value value =
        CLSBaseJsonWS::ParseJsonResponse("{\"name\":\"Gr\xc3\xbc\xc3\x9f" "e\",\"size\":5000000000,\"e\":[]}");
    EXPECT_EQ(value["name"].asString(), "Gr\xc3\xbc\xc3\x9f" "e");
    EXPECT_EQ(value["size"].asUInt64(), 5000000000ULL);

    StartLoggingOnce();
    const std::string broken = "{\"access_token\":\"LeakCheckToken91\",\"entries\":[1,2";
    EXPECT_EQ(ThrownHresult([&] { CLSBaseJsonWS::ParseJsonResponse(broken); }), E_FAIL);
    EXPECT_EQ(ThrownHresult([] { CLSBaseJsonWS::ParseJsonResponse(""); }), E_FAIL);
    const std::string log = ReadLogFiles();
    EXPECT_NE(log.find("Response:\n{\"access_token\":\"[redacted]\",\"entries\":[1,2"), std::string::npos);
    EXPECT_EQ(log.find("LeakCheckToken91"), std::string::npos);
}

TEST(HttpError, ReadsRetryAfterAsSecondsOrAsADate)
{
    for (const auto& [text, seconds] : std::vector<std::pair<const wchar_t*, int>>{
             {L" 7 ", 7}, {L"-5", 0}, {L"soon", 0}, {L"99999999999999", INT_MAX}, {L"Wed, 21 Oct 2015 07:28:00 GMT", 0}})
        EXPECT_EQ(ParseRetryAfterSeconds(text), seconds) << Utf8(text);

    FILETIME time = {};
    ::GetSystemTimeAsFileTime(&time);
    const ULONGLONG ticks = ((static_cast<ULONGLONG>(time.dwHighDateTime) << 32) | time.dwLowDateTime) + 900000000ULL;
    time = {static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
    SYSTEMTIME later = {};
    ::FileTimeToSystemTime(&time, &later);
    wchar_t date[INTERNET_RFC1123_BUFSIZE + 1] = {};
    ASSERT_TRUE(::InternetTimeFromSystemTimeW(&later, INTERNET_RFC1123_FORMAT, date, sizeof(date)));
    EXPECT_GE(ParseRetryAfterSeconds(date), 80);
    EXPECT_LE(ParseRetryAfterSeconds(date), 90);
}

TEST(RedactionRules, CredentialsLoseTheirValuesTheRestStaysByteForByte)
{
    EXPECT_EQ(RedactFormFields("grant_type=refresh_token&refresh_token=R1&client_id=C&client_secret=S"),
              "grant_type=refresh_token&refresh_token=[redacted]&client_id=C&client_secret=[redacted]");
    EXPECT_EQ(RedactFormFields("code=abc&access_token=A&zip=code&codex=1"),
              "code=[redacted]&access_token=[redacted]&zip=code&codex=1");
    EXPECT_EQ(RedactBody("refresh_token=R&a=1", L"application/x-www-form-urlencoded"), "refresh_token=[redacted]&a=1");
    EXPECT_EQ(RedactBody("refresh_token=R&a=1", L"application/json"), "refresh_token=R&a=1");
    EXPECT_EQ(RedactUrl(L"http://h/oauth2/token?code=XYZ&state=s"), L"http://h/oauth2/token?code=[redacted]&state=s");

    EXPECT_EQ(RedactJsonMembers("{\"access_token\":\"A\\\"B\",\"expires_in\":3600,\"refresh_token\" : \"R\"}"),
              "{\"access_token\":\"[redacted]\",\"expires_in\":3600,\"refresh_token\" : \"[redacted]\"}");
    // Box's error code is what a diagnosis needs; it is not the authorization code.
    for (const char* kept : {"{\"type\":\"error\",\"code\":\"not_found\"}",
                             "{\"name\":\"access_token\",\"client_secret\":null}", "{\"client_secret\":\"unterminated"})
        EXPECT_EQ(RedactJsonMembers(kept), kept);

    EXPECT_EQ(RedactHeaderValue(L"authorization", L"opaque"), L"[redacted]");
    EXPECT_EQ(RedactHeaderLines(L"Authorization: Bearer T1\r\nAuth-Type: OAUTH2\r\n"),
              L"Authorization: Bearer [redacted]\r\nAuth-Type: OAUTH2\r\n");
}
