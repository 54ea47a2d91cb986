#include "BoxDates.h"

#include "BoxExceptions.h"
#include "StdString.h"

#include <cmath>
#include <string_view>

namespace Box_20 {

namespace {

// Reads the fixed-width fields of an ISO 8601 date-time, left to right.
class DateTextReader {
public:
    explicit DateTextReader(const std::wstring& text) : m_text(text) {}

    bool Number(size_t digits, int& value)
    {
        if (m_text.size() - m_at < digits)
            return false;
        value = 0;
        for (size_t i = 0; i < digits; ++i) {
            const wchar_t c = m_text[m_at + i];
            if (c < L'0' || c > L'9')
                return false;
            value = value * 10 + (c - L'0');
        }
        m_at += digits;
        return true;
    }

    bool Skip(std::wstring_view oneOf)
    {
        if (m_at < m_text.size() && oneOf.find(m_text[m_at]) != std::wstring_view::npos) {
            ++m_at;
            return true;
        }
        return false;
    }

    wchar_t Peek() const { return m_at < m_text.size() ? m_text[m_at] : L'\0'; }
    void SkipDigits()
    {
        while (m_at < m_text.size() && m_text[m_at] >= L'0' && m_text[m_at] <= L'9')
            ++m_at;
    }
    bool AtEnd() const { return m_at == m_text.size(); }

private:
    const std::wstring& m_text;
    size_t m_at = 0;
};

struct DateTimeFields {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    int offsetSeconds = 0;
};

bool IsLeapYear(int year)
{
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month)
{
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

// Days from 1970-01-01 to the given civil date (proleptic Gregorian calendar).
int64_t DaysFromCivil(int64_t year, int month, int day)
{
    year -= month <= 2 ? 1 : 0;
    const int64_t era = (year >= 0 ? year : year - 399) / 400;
    const int64_t yearOfEra = year - era * 400;
    const int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

bool ReadZone(DateTextReader& reader, DateTimeFields& fields)
{
    if (reader.AtEnd() || reader.Skip(L"Zz"))
        return true; // Box always names the zone; a text without one is read as UTC.
    const wchar_t sign = reader.Peek();
    if (!reader.Skip(L"+-"))
        return false;
    int hours = 0, minutes = 0;
    if (!reader.Number(2, hours))
        return false;
    reader.Skip(L":");
    if (!reader.Number(2, minutes) || hours > 23 || minutes > 59)
        return false;
    fields.offsetSeconds = (sign == L'-' ? -1 : 1) * (hours * 3600 + minutes * 60);
    return true;
}

bool ReadDateTime(const std::wstring& text, DateTimeFields& fields)
{
    DateTextReader reader(text);
    const bool read = reader.Number(4, fields.year) && reader.Skip(L"-") && reader.Number(2, fields.month) &&
                      reader.Skip(L"-") && reader.Number(2, fields.day) && reader.Skip(L"Tt ") &&
                      reader.Number(2, fields.hour) && reader.Skip(L":") && reader.Number(2, fields.minute) &&
                      reader.Skip(L":") && reader.Number(2, fields.second);
    if (!read)
        return false;
    if (reader.Skip(L".,")) {
        if (reader.Peek() < L'0' || reader.Peek() > L'9')
            return false;
        reader.SkipDigits();
    }
    if (!ReadZone(reader, fields) || !reader.AtEnd())
        return false;
    return fields.month >= 1 && fields.month <= 12 && fields.day >= 1 &&
           fields.day <= DaysInMonth(fields.year, fields.month) && fields.hour <= 23 && fields.minute <= 59 &&
           fields.second <= 60;
}

} // namespace

DATE FileTimeToOleDate(uint64_t fileTime)
{
    // 1601-01-01 lies 109205 days before the OLE epoch 1899-12-30.
    constexpr double kDaysFrom1601ToOleEpoch = 109205.0;
    constexpr double kFileTimeTicksPerDay = 864000000000.0;
    const double linear = static_cast<double>(fileTime) / kFileTimeTicksPerDay - kDaysFrom1601ToOleEpoch;
    if (linear >= 0.0)
        return linear;
    // Before the epoch OLE counts the day backwards but the time of day forwards.
    const double day = std::floor(linear);
    const double timeOfDay = linear - day;
    return timeOfDay == 0.0 ? day : day - timeOfDay;
}

uint64_t GetDateFromString(const std::wstring& text)
{
    constexpr int64_t kSecondsFrom1601To1970 = 11644473600;
    constexpr int64_t kTicksPerSecond = 10000000;
    const CStdStr<wchar_t> trimmed = CStdStr<wchar_t>(text).Trim();
    DateTimeFields fields;
    if (!ReadDateTime(trimmed, fields))
        throw JoinWithSpace(L"Box_20::GetDateFromString", L"not a date: " + text);
    const int64_t seconds = DaysFromCivil(fields.year, fields.month, fields.day) * 86400 + fields.hour * 3600 +
                            fields.minute * 60 + fields.second - fields.offsetSeconds;
    if (seconds < -kSecondsFrom1601To1970)
        throw JoinWithSpace(L"Box_20::GetDateFromString", L"date before 1601: " + text);
    return static_cast<uint64_t>(seconds + kSecondsFrom1601To1970) * kTicksPerSecond;
}

} // namespace Box_20
