#include "LSHttpUtils.h"
#include "Utf8Converter.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

TEST(Utf8Converter, RoundTripsAllPlanesAndRefusesMalformedInput)
{
    const Utf8Converter converter;
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


