#include "StringUtils.h"

#include "HResultException.h"
#include "NarrowCasts.h"

#include <windows.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cwctype>

using TalvernCommon::narrowcasts::narrow;

CStdStr<wchar_t> AnsiToWide(std::string_view text)
{
    if (text.empty())
        return {};
    const int narrowLength = narrow<int>(text.size());
    const int length = ::MultiByteToWideChar(CP_ACP, 0, text.data(), narrowLength, nullptr, 0);
    if (length <= 0)
        throw hresult_exception(HRESULT_FROM_WIN32(::GetLastError()), "AnsiToWide: conversion failed");
    CStdStr<wchar_t> wide(static_cast<size_t>(length), L'\0');
    ::MultiByteToWideChar(CP_ACP, 0, text.data(), narrowLength, wide.data(), length);
    return wide;
}

std::vector<CStdStr<wchar_t>> SplitString(std::wstring_view text, std::wstring_view separator, size_t maxPieces)
{
    std::vector<CStdStr<wchar_t>> pieces;
    if (text.empty())
        return pieces;
    size_t start = 0;
    while (!separator.empty() && (maxPieces == 0 || pieces.size() + 1 < maxPieces)) {
        const size_t at = text.find(separator, start);
        if (at == std::wstring_view::npos)
            break;
        pieces.emplace_back(text.substr(start, at - start));
        start = at + separator.size();
    }
    pieces.emplace_back(text.substr(start));
    return pieces;
}

CStdStr<wchar_t> SplitPathAtLastBackslash(std::wstring_view path)
{
    const size_t at = path.rfind(L'\\');
    return CStdStr<wchar_t>(at == std::wstring_view::npos ? path : path.substr(at + 1));
}

CStdStr<wchar_t> GetFileExtension(std::wstring_view name)
{
    const size_t at = name.rfind(L'.');
    return at == std::wstring_view::npos ? CStdStr<wchar_t>() : CStdStr<wchar_t>(name.substr(at));
}

bool IsMailFileExtension(std::wstring_view fileName)
{
    static constexpr std::array<std::wstring_view, 4> mailExtensions{L".msg", L".eml", L".mim", L".mme"};
    const CStdStr<wchar_t> extension = GetFileExtension(fileName);
    for (const std::wstring_view mailExtension : mailExtensions) {
        if (extension.Equals(mailExtension, false))
            return true;
    }
    return false;
}

int WideToInt(std::wstring_view text)
{
    size_t at = 0;
    while (at < text.size() && std::iswspace(static_cast<wint_t>(text[at])))
        ++at;
    if (at == text.size())
        throw HRESULT(E_INVALIDARG);

    bool negative = false;
    if (text[at] == L'+' || text[at] == L'-') {
        negative = text[at] == L'-';
        ++at;
    }
    // One past INT_MAX, so that INT_MIN itself still reads exactly.
    constexpr long long limit = static_cast<long long>(INT_MAX) + 1;
    long long magnitude = 0;
    for (; at < text.size() && text[at] >= L'0' && text[at] <= L'9'; ++at)
        magnitude = std::min(magnitude * 10 + (text[at] - L'0'), limit);

    if (negative)
        return static_cast<int>(-magnitude);
    return static_cast<int>(std::min(magnitude, limit - 1));
}

CStdStr<wchar_t> ToHexString(uint32_t value)
{
    return FormatWide(L"0x%08x", value);
}

BSTR StdStrToBstr(std::wstring_view text)
{
    BSTR copy = ::SysAllocStringLen(text.data(), narrow<UINT>(text.size()));
    if (copy == nullptr)
        throw hresult_exception(E_OUTOFMEMORY, "StdStrToBstr: out of memory");
    return copy;
}

namespace {

template <typename Format>
CStdStr<wchar_t> FormatWithSystem(Format format, const char* what)
{
    const int length = format(nullptr, 0);
    if (length <= 0)
        throw hresult_exception(HRESULT_FROM_WIN32(::GetLastError()), what);
    CStdStr<wchar_t> text(static_cast<size_t>(length), L'\0');
    if (format(text.data(), length) <= 0)
        throw hresult_exception(HRESULT_FROM_WIN32(::GetLastError()), what);
    text.resize(static_cast<size_t>(length - 1)); // the count includes the terminator
    return text;
}

} // namespace

CStdStr<wchar_t> FormatDateTimeString(const SYSTEMTIME& localTime)
{
    const CStdStr<wchar_t> date = FormatWithSystem(
        [&](wchar_t* buffer, int size) {
            return ::GetDateFormatW(LOCALE_USER_DEFAULT, 0, &localTime, nullptr, buffer, size);
        },
        "FormatDateTimeString: the date cannot be formatted");
    const CStdStr<wchar_t> time = FormatWithSystem(
        [&](wchar_t* buffer, int size) {
            return ::GetTimeFormatW(LOCALE_USER_DEFAULT, 0, &localTime, nullptr, buffer, size);
        },
        "FormatDateTimeString: the time cannot be formatted");
    return CStdStr<wchar_t>(date + L" " + time);
}
