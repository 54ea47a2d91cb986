#include "LSIsoDates.h"

namespace {

// Reads the fixed-width fields of the text, left to right.
class IsoCursor {
public:
    explicit IsoCursor(std::wstring_view text) : m_text(text) {}

    bool AtEnd() const { return m_at == m_text.size(); }
    wchar_t Peek() const { return AtEnd() ? L'\0' : m_text[m_at]; }
    bool Skip(std::wstring_view oneOf)
    {
        if (AtEnd() || oneOf.find(m_text[m_at]) == std::wstring_view::npos)
            return false;
        ++m_at;
        return true;
    }
    bool Number(size_t digits, int& value)
    {
        value = 0;
        for (size_t i = 0; i < digits; ++i, ++m_at) {
            if (AtEnd() || m_text[m_at] < L'0' || m_text[m_at] > L'9')
                return false;
            value = value * 10 + (m_text[m_at] - L'0');
        }
        return true;
    }
    void SkipDigits()
    {
        while (!AtEnd() && m_text[m_at] >= L'0' && m_text[m_at] <= L'9')
            ++m_at;
    }

private:
    std::wstring_view m_text;
    size_t m_at = 0;
};

struct DateTimeFields {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    int offsetSeconds = 0;
};

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

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

bool ReadTimeOfDay(IsoCursor& cursor, DateTimeFields& fields)
{
    if (!cursor.Number(2, fields.hour) || !cursor.Skip(L":") || !cursor.Number(2, fields.minute))
        return false;
    if (!cursor.Skip(L":"))
        return true;
    if (!cursor.Number(2, fields.second))
        return false;
    if (cursor.Skip(L".,")) {
        if (cursor.Peek() < L'0' || cursor.Peek() > L'9')
            return false;
        cursor.SkipDigits();
    }
    return true;
}

bool ReadZone(IsoCursor& cursor, DateTimeFields& fields)
{
    if (cursor.AtEnd() || cursor.Skip(L"Zz"))
        return true;
    const wchar_t sign = cursor.Peek();
    if (!cursor.Skip(L"+-"))
        return false;
    int hours = 0;
    int minutes = 0;
    if (!cursor.Number(2, hours) || hours > 23)
        return false;
    if (!cursor.AtEnd()) {
        cursor.Skip(L":");
        if (!cursor.Number(2, minutes) || minutes > 59)
            return false;
    }
    fields.offsetSeconds = (sign == L'-' ? -1 : 1) * (hours * 3600 + minutes * 60);
    return true;
}

bool ReadDateTime(std::wstring_view text, DateTimeFields& fields)
{
    IsoCursor cursor(text);
    if (!cursor.Number(4, fields.year) || !cursor.Skip(L"-") || !cursor.Number(2, fields.month) ||
        !cursor.Skip(L"-") || !cursor.Number(2, fields.day))
        return false;
    if (cursor.Skip(L"Tt ") && !ReadTimeOfDay(cursor, fields))
        return false;
    if (!ReadZone(cursor, fields) || !cursor.AtEnd())
        return false;
    // A leap second (:60) is allowed; it counts as the next minute's first.
    return fields.month >= 1 && fields.month <= 12 && fields.day >= 1 &&
           fields.day <= DaysInMonth(fields.year, fields.month) && fields.hour <= 23 && fields.minute <= 59 &&
           fields.second <= 60;
}

std::wstring_view Trimmed(std::wstring_view text)
{
    constexpr std::wstring_view kSpace = L" \t\r\n";
    const size_t first = text.find_first_not_of(kSpace);
    if (first == std::wstring_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(kSpace) - first + 1);
}

} // namespace

std::optional<uint64_t> ParseIsoDateTimeUtc(std::wstring_view text)
{
    constexpr int64_t kSecondsFrom1601To1970 = 11644473600;
    constexpr int64_t kTicksPerSecond = 10000000;
    DateTimeFields fields;
    if (!ReadDateTime(Trimmed(text), fields))
        return std::nullopt;
    const int64_t seconds = DaysFromCivil(fields.year, fields.month, fields.day) * 86400 + fields.hour * 3600 +
                            fields.minute * 60 + fields.second - fields.offsetSeconds;
    if (seconds < -kSecondsFrom1601To1970)
        return std::nullopt;
    return static_cast<uint64_t>(seconds + kSecondsFrom1601To1970) * kTicksPerSecond;
}
