// JSON body text, reply parsing and Retry-After reading.
#include "LSBaseJsonWS.h"
#include "LSHttpError.h"
#include "LSJsonText.h"
#include "WebServiceTestSupport.h"

#include <wininet.h>

#include <climits>

using namespace WebServiceTest;

TEST(JsonText, EscapesControlsQuotesAndBackslashesAndKeepsTheRest)
{
    EXPECT_EQ(EscapeJsonString(L"say \"hi\" C:\\d\b\n" + std::wstring(1, L'\x01') + L"\x1f a/b Gr\x00fc\x6F22"),
              L"say \\\"hi\\\" C:\\\\d\\b\\n\\u0001\\u001F a/b Gr\x00fc\x6F22");
    EXPECT_EQ(BuildJsonObjectText({}), L"");
    EXPECT_EQ(BuildJsonObjectText({{L"name", QuoteJsonString(L"a\"b")}, {L"parent", L"{\"id\":\"0\"}"}}),
              L"{\"name\":\"a\\\"b\",\"parent\":{\"id\":\"0\"}}\n");
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

TEST(HttpError, ReadsRetryAfterAsSecondsOrAsADate)
{
    EXPECT_EQ(ParseRetryAfterSeconds(L" 7 "), 7);
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
