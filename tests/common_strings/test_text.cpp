#include "ComDef.h"
#include "ComOwners.h"
#include "HResultException.h"
#include "LSHttpUtils.h"
#include "StringUtils.h"
#include "ThrownHresult.h"
#include "Utf8Converter.h"

#include <gtest/gtest.h>

#include <climits>
#include <stdexcept>

TEST(FormatWide, PercentSTakesWideStringsOfEveryKind)
{
    const CStdStr<wchar_t> folder(L"Shared Docs");
    EXPECT_EQ(FormatWide(L"%s/%s", folder, std::wstring(L"Q3")), L"Shared Docs/Q3");
    EXPECT_EQ(FormatWide(L"[%s|%s|%hs]", _bstr_t(L"box"), L"\u6f22\u5b57", "narrow"), L"[box|\u6f22\u5b57|narrow]");
    const std::wstring big(100000, L'x');
    EXPECT_EQ(FormatWide(L"<%s>", big), L"<" + big + L">");
}

TEST(SplitAndJoin, Boundaries)
{
    const struct {
        std::wstring text, separator;
        size_t maxPieces;
        std::vector<std::wstring> expected;
    } cases[] = {{L"", L"\t", 0, {}}, {L"\ta::::b", L"::", 0, {L"\ta", L"", L"b"}},
                 {L"k=v=w", L"=", 2, {L"k", L"v=w"}}};
    for (const auto& c : cases) {
        const auto pieces = SplitString(c.text, c.separator, c.maxPieces);
        EXPECT_EQ(std::vector<std::wstring>(pieces.begin(), pieces.end()), c.expected) << c.text;
    }
    EXPECT_EQ(JoinStrings(std::vector<std::wstring>{}, L","), L"");
    EXPECT_EQ(JoinStrings(SplitString(L"\tx\ty\t\tz\t", L"\t"), L", "), L", x, y, , z, ");
}

TEST(FileNameParts, LastBackslashLastDotAndMailExtensions)
{
    EXPECT_EQ(SplitPathAtLastBackslash(L"C:\\folder\\"), L"");
    EXPECT_EQ(GetFileExtension(L"name."), L".");
    for (const wchar_t* name : {L"B.EML", L"d.mMe"})
        EXPECT_TRUE(IsMailFileExtension(name)) << name;
    for (const wchar_t* name : {L"a.msgx", L"msg", L"a.msg.doc", L""})
        EXPECT_FALSE(IsMailFileExtension(name)) << name;
}

TEST(WideToInt, ReadsLikePercentDAndSaturates)
{
    EXPECT_EQ(WideToInt(L" \t-17 apples"), -17);
    EXPECT_EQ(WideToInt(L"- 5"), 0);
    EXPECT_EQ(WideToInt(L"2147483648"), INT_MAX);
    EXPECT_EQ(WideToInt(L"-99999999999999999999"), INT_MIN);
    EXPECT_EQ(TestSupport::ThrownHresult([] { WideToInt(L" \t\r\n"); }), E_INVALIDARG);
}

TEST(StdStrToBstr, EmptyIsNonNullAndEmbeddedNulsSurvive)
{
    const TalvernCommon::unique_bstr empty(StdStrToBstr(L""));
    ASSERT_NE(empty.get(), nullptr);
    EXPECT_EQ(SysStringLen(empty.get()), 0u);
    const TalvernCommon::unique_bstr copy(StdStrToBstr(std::wstring(L"a\0b", 3)));
    EXPECT_EQ(std::wstring(copy.get(), SysStringLen(copy.get())), std::wstring(L"a\0b", 3));
}

TEST(FormatDateTimeString, LocaleDateBlankTime)
{
    // The test runner pins an English locale.
    SYSTEMTIME time{2024, 3, 0, 7, 13, 5, 9, 0};
    EXPECT_EQ(FormatDateTimeString(time), L"3/7/2024 1:05:09 PM");
    time.wMonth = 13;
    EXPECT_THROW(FormatDateTimeString(time), hresult_exception);
}

TEST(Utf8Converter, RoundTripsAllPlanesAndRefusesMalformedInput)
{
    const Utf8Converter converter = GetThreadUtf8Converter();
    // U+00F6, U+6F22 U+5B57 and U+1F600 from a surrogate pair.
    const std::wstring wide = L"K\u00f6ln \u6f22\u5b57 \xD83D\xDE00";
    const std::string utf8 = converter.to_bytes(wide);
    EXPECT_EQ(utf8, "K\xC3\xB6ln \xE6\xBC\xA2\xE5\xAD\x97 \xF0\x9F\x98\x80");
    EXPECT_EQ(converter.from_bytes(utf8), wide);
    EXPECT_EQ(converter.from_bytes(std::string("a\0b", 3)), std::wstring(L"a\0b", 3));
    // Malformed input is a bad conversion.
    for (const char* bad : {"\xC3\x28", "abc\xE6\xBC", "\xC0\xAF"})
        EXPECT_THROW(converter.from_bytes(bad), std::range_error) << bad;
    EXPECT_THROW(converter.to_bytes(L"x\xD800y"), std::range_error);
    EXPECT_EQ(WideToUtf8Lossy(L"x\xD800y"), "x\xEF\xBF\xBDy");
}

TEST(UrlEncode, Utf8BytesInLowerCaseHexReservedCharactersKept)
{
    EXPECT_EQ(LSHttpUtils::UrlEncode(L"a+b c", false), L"a%2bb%20c");
    EXPECT_EQ(LSHttpUtils::UrlEncode(L"\u6f22\u5b57", false), L"%e6%bc%a2%e5%ad%97");
    const std::wstring kept = L"AZaz09~!*()'/:-_.[],;=%$";
    EXPECT_EQ(LSHttpUtils::UrlEncode(kept, false), kept);
    EXPECT_EQ(LSHttpUtils::UrlEncode(L"http://127.0.0.1:5000/cb?x=1", false), L"http://127.0.0.1:5000/cb%3fx=1");
    EXPECT_EQ(LSHttpUtils::UrlEncode(L"a\xD800", false), L"a%ef%bf%bd");
    EXPECT_EQ(LSHttpUtils::UrlEncode(L"a+b++c", true), L"a:::b::::::c");
}
