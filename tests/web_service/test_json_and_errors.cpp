// JSON body text, reply parsing and Retry-After reading.
#include "LSBaseJsonWS.h"
#include "LSJsonText.h"
#include "WebServiceTestSupport.h"

#include <wininet.h>

#include <climits>

using namespace WebServiceTest;

TEST(JsonText, EscapesControlsQuotesAndBackslashesAndKeepsTheRest)
{
    EXPECT_EQ(EscapeJsonString(L"say \"hi\" C:\\d\b\n" + std::wstring(1, L'\x01') + L"\x1f a/b Gr\x00fc\x6F22"),
              L"say \\\"hi\\\" C:\\\\d\\b\\n\\u0001\\u001F a/b Gr\x00fc\x6F22");
    EXPECT_EQ(BuildJsonObjectText({{L"name", QuoteJsonString(L"a\"b")}, {L"parent", L"{\"id\":\"0\"}"}}),
              L"{\"name\":\"a\\\"b\",\"parent\":{\"id\":\"0\"}}\n");
}

TEST(JsonText, RepliesAreReadAsUtf8AndAnUnparsableOneIsLoggedWithoutItsSecrets)
{
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
