#include "BoxChangeToken.h"

#include "BoxDates.h"
#include "BoxExceptions.h"
#include "LSDiag.h"

#include <windows.h>

#include <cwchar>

namespace Box_20 {

namespace {

constexpr wchar_t kFieldSeparator = L';';
constexpr wchar_t kCompleteMark[] = L";;;";

CStdStr<wchar_t> FormatUtc(uint64_t fileTime)
{
    const FILETIME time{static_cast<DWORD>(fileTime), static_cast<DWORD>(fileTime >> 32)};
    SYSTEMTIME utc{};
    if (!::FileTimeToSystemTime(&time, &utc))
        return {};
    wchar_t text[32] = {};
    std::swprintf(text, sizeof(text) / sizeof(text[0]), L"%04u-%02u-%02uT%02u:%02u:%02uZ", utc.wYear, utc.wMonth,
                  utc.wDay, utc.wHour, utc.wMinute, utc.wSecond);
    return text;
}

} // namespace

std::optional<uint64_t> ReadChangeTokenCutoff(const std::wstring& token, const std::wstring& folderId)
{
    const CStdStr<wchar_t> prefix = folderId + kFieldSeparator;
    const CStdStr<wchar_t> text(token);
    if (!text.StartsWith(prefix) || !text.EndsWith(kCompleteMark) ||
        text.size() < prefix.size() + std::char_traits<wchar_t>::length(kCompleteMark))
        return std::nullopt;
    const std::wstring cutoff =
        text.substr(prefix.size(), text.size() - prefix.size() - std::char_traits<wchar_t>::length(kCompleteMark));
    if (cutoff.empty() || cutoff.find(kFieldSeparator) != std::wstring::npos)
        return std::nullopt;
    try {
        return GetDateFromString(cutoff);
    } catch (const ApiException&) {
        LS_DIAG_LOG(1) << "Box_20::ReadChangeTokenCutoff: ignoring the change token " << LSDiag::LogText(token);
        return std::nullopt;
    }
}

CStdStr<wchar_t> MakeChangeToken(const std::wstring& folderId, std::optional<uint64_t> cutoff)
{
    return folderId + kFieldSeparator + (cutoff ? FormatUtc(*cutoff) : CStdStr<wchar_t>()) + kCompleteMark;
}

} // namespace Box_20
