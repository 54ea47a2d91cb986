// Text helpers shared by every layer: formatting, splitting, file-name parts, numbers, BSTRs, dates.
#pragma once

#include "StdString.h"
#include "Utf8Converter.h"

#include <oleauto.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

namespace FormatWideDetail {
// Microsoft printf semantics: "%s" takes a wide string, "%hs" a narrow one.
CStdStr<wchar_t> FormatWideArgs(const wchar_t* format, ...);

// Wide strings of any kind (CStdStr, std::wstring, _bstr_t, literals) go in as their text; passing
// anything else that is not a plain value is refused at compile time.
template <typename T>
auto FormatArgument(const T& value)
{
    using Passed = std::decay_t<const T&>;
    if constexpr (std::is_base_of_v<std::wstring, T>)
        return value.c_str();
    else if constexpr (std::is_convertible_v<const T&, const wchar_t*>)
        return static_cast<const wchar_t*>(value);
    else {
        static_assert(std::is_arithmetic_v<Passed> || std::is_enum_v<Passed> || std::is_pointer_v<Passed>,
                      "FormatWide takes numbers, pointers and wide strings");
        return static_cast<Passed>(value);
    }
}
} // namespace FormatWideDetail

// printf-style formatting: "%s" a wide string, "%u" an unsigned and "%d" a signed 32-bit number.
template <typename... Args>
CStdStr<wchar_t> FormatWide(const wchar_t* format, const Args&... args)
{
    return FormatWideDetail::FormatWideArgs(format, FormatWideDetail::FormatArgument(args)...);
}

// Narrow text through the ANSI code page.
CStdStr<wchar_t> AnsiToWide(std::string_view text);

// The pieces between separators: n separators give n + 1 pieces, empty ones included; an empty
// text gives none. With maxPieces > 0 the last piece holds the unsplit rest of the text.
std::vector<CStdStr<wchar_t>> SplitString(std::wstring_view text, std::wstring_view separator,
                                          size_t maxPieces = 0);

// The items with the separator between them; an empty list gives an empty text.
template <typename Strings>
CStdStr<wchar_t> JoinStrings(const Strings& items, std::wstring_view separator)
{
    CStdStr<wchar_t> joined;
    bool first = true;
    for (const auto& item : items) {
        if (!first)
            joined.append(separator);
        joined.append(std::wstring_view(item));
        first = false;
    }
    return joined;
}

// The part after the last backslash; the whole text when there is none.
CStdStr<wchar_t> SplitPathAtLastBackslash(std::wstring_view path);

// From the last "." to the end, the "." included; empty when there is no ".".
CStdStr<wchar_t> GetFileExtension(std::wstring_view name);

// True for ".msg", ".eml", ".mim" and ".mme" in any letter case.
bool IsMailFileExtension(std::wstring_view fileName);

// The decimal number at the start of the text, as "%d" reads it (leading white space skipped,
// reading stops at the first character that cannot continue it; values beyond int saturate);
// 0 when no number starts. An empty or all-blank text throws the bare HRESULT E_INVALIDARG.
int WideToInt(std::wstring_view text);

// "0x" and eight lower-case hex digits: the name of a MAPI property addressed by its tag.
CStdStr<wchar_t> ToHexString(uint32_t value);

// A new BSTR the caller owns; an empty text gives an empty, non-null BSTR.
// Throws hresult_exception E_OUTOFMEMORY when it cannot be allocated.
BSTR StdStrToBstr(std::wstring_view text);

// The user's locale date and time of a local SYSTEMTIME, joined by one blank.
// Throws hresult_exception for a SYSTEMTIME the system cannot format.
CStdStr<wchar_t> FormatDateTimeString(const SYSTEMTIME& localTime);
