#include "Utf8Converter.h"

#include "NarrowCasts.h"

#include <windows.h>

#include <stdexcept>

using TalvernCommon::narrowcasts::narrow;

namespace {

std::string WideToUtf8(std::wstring_view wide, DWORD flags)
{
    if (wide.empty())
        return {};
    const int wideLength = narrow<int>(wide.size());
    const int length = ::WideCharToMultiByte(CP_UTF8, flags, wide.data(), wideLength, nullptr, 0, nullptr, nullptr);
    if (length <= 0)
        throw std::range_error("bad conversion");
    std::string utf8(static_cast<size_t>(length), '\0');
    ::WideCharToMultiByte(CP_UTF8, flags, wide.data(), wideLength, utf8.data(), length, nullptr, nullptr);
    return utf8;
}

CStdStr<wchar_t> Utf8ToWide(std::string_view utf8, DWORD flags)
{
    if (utf8.empty())
        return {};
    const int utf8Length = narrow<int>(utf8.size());
    const int length = ::MultiByteToWideChar(CP_UTF8, flags, utf8.data(), utf8Length, nullptr, 0);
    if (length <= 0)
        throw std::range_error("bad conversion");
    CStdStr<wchar_t> wide(static_cast<size_t>(length), L'\0');
    ::MultiByteToWideChar(CP_UTF8, flags, utf8.data(), utf8Length, wide.data(), length);
    return wide;
}

} // namespace

std::string Utf8Converter::to_bytes(std::wstring_view wide) const
{
    return WideToUtf8(wide, WC_ERR_INVALID_CHARS);
}

CStdStr<wchar_t> Utf8Converter::from_bytes(std::string_view utf8) const
{
    return Utf8ToWide(utf8, MB_ERR_INVALID_CHARS);
}

std::string WideToUtf8Lossy(std::wstring_view wide)
{
    return WideToUtf8(wide, 0);
}

CStdStr<wchar_t> Utf8ToWideLossy(std::string_view utf8)
{
    return Utf8ToWide(utf8, 0);
}
