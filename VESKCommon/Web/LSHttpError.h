// An HTTP failure: thrown by value for a reply whose status lies outside 200 to 299.
#pragma once

#include "StdString.h"

#include <cstdint>
#include <string_view>

// windows.h maps FormatMessage to FormatMessageW; the member is named after the system's own
// vocabulary and stays consistent because every unit sees the same mapping.
class LSHttpError {
public:
    LSHttpError(int32_t status, CStdStr<wchar_t> message, int32_t retryAfterSeconds = 0,
                CStdStr<wchar_t> detail = CStdStr<wchar_t>())
        : m_status(status), m_message(std::move(message)), m_retryAfterSeconds(retryAfterSeconds),
          m_detail(std::move(detail))
    {
    }

    int32_t GetStatus() const { return m_status; }
    const CStdStr<wchar_t>& GetMessage() const { return m_message; }
    void SetMessage(CStdStr<wchar_t> message) { m_message = std::move(message); }
    // The server's Retry-After in seconds, 0 when it gave none.
    int32_t GetRetryAfterSeconds() const { return m_retryAfterSeconds; }
    const CStdStr<wchar_t>& GetDetail() const { return m_detail; }

    // "message (status)", "Error" standing for the message "Unknown"; with a detail, a line
    // break and "(detail)" follow.
    CStdStr<wchar_t> FormatMessage() const;

private:
    int32_t m_status;
    CStdStr<wchar_t> m_message;
    int32_t m_retryAfterSeconds;
    CStdStr<wchar_t> m_detail;
};

// The message for a reply: its reason phrase, or "Unknown" when the server sent none.
CStdStr<wchar_t> HttpErrorMessageFromStatusText(std::wstring_view statusText);

// Seconds to wait from a Retry-After value: delta-seconds, or an HTTP date measured from now.
// 0 for an absent, malformed or past value; values beyond 32 bits saturate.
int32_t ParseRetryAfterSeconds(std::wstring_view value);
