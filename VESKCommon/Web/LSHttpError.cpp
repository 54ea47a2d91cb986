#include "LSHttpError.h"

#include "StringUtils.h"

#include <wininet.h>

#include <algorithm>
#include <cwctype>
#include <limits>

CStdStr<wchar_t> LSHttpError::FormatMessage() const
{
    const CStdStr<wchar_t> shown = m_message == L"Unknown" ? CStdStr<wchar_t>(L"Error") : m_message;
    CStdStr<wchar_t> text = FormatWide(L"%s (%d)", shown, m_status);
    if (!m_detail.empty())
        text = FormatWide(L"%s\n(%s)", text, m_detail);
    return text;
}

CStdStr<wchar_t> HttpErrorMessageFromStatusText(std::wstring_view statusText)
{
    CStdStr<wchar_t> message{std::wstring(statusText)};
    message.Trim();
    return message.empty() ? CStdStr<wchar_t>(L"Unknown") : message;
}

namespace {

constexpr int32_t kMaxSeconds = std::numeric_limits<int32_t>::max();

bool ParseDeltaSeconds(const std::wstring& text, int32_t& seconds)
{
    if (text.empty() || !std::all_of(text.begin(), text.end(), [](wchar_t c) { return c >= L'0' && c <= L'9'; }))
        return false;
    int64_t value = 0;
    for (wchar_t c : text) {
        value = value * 10 + (c - L'0');
        if (value > kMaxSeconds) {
            value = kMaxSeconds;
            break;
        }
    }
    seconds = static_cast<int32_t>(value);
    return true;
}

int64_t FileTimeTicks(const SYSTEMTIME& time)
{
    FILETIME fileTime = {};
    if (!::SystemTimeToFileTime(&time, &fileTime))
        return 0;
    return (static_cast<int64_t>(fileTime.dwHighDateTime) << 32) | fileTime.dwLowDateTime;
}

int32_t SecondsUntilHttpDate(const std::wstring& text)
{
    SYSTEMTIME when = {};
    if (!::InternetTimeToSystemTimeW(text.c_str(), &when, 0))
        return 0;
    SYSTEMTIME now = {};
    ::GetSystemTime(&now);
    const int64_t seconds = (FileTimeTicks(when) - FileTimeTicks(now)) / 10000000;
    return static_cast<int32_t>(std::clamp<int64_t>(seconds, 0, kMaxSeconds));
}

} // namespace

int32_t ParseRetryAfterSeconds(std::wstring_view value)
{
    CStdStr<wchar_t> text{std::wstring(value)};
    text.Trim();
    if (text.empty())
        return 0;
    int32_t seconds = 0;
    return ParseDeltaSeconds(text, seconds) ? seconds : SecondsUntilHttpDate(text);
}
