#include "ComDef.h"
#include "ComOwners.h"
#include "HResultException.h"
#include "StringUtils.h"
#include "ThrownHresult.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

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
    struct Case {
        std::wstring text, separator;
        size_t maxPieces;
        std::vector<std::wstring> expected;
    };
    for (const Case& c : std::vector<Case>{
             {L"", L"\t", 0, {}},
             {L"\ta::::b", L"::", 0, {L"\ta", L"", L"b"}},
             {L"k=v=w", L"=", 2, {L"k", L"v=w"}},
         }) {
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
