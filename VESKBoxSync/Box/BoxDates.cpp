#include "BoxDates.h"

#include "BoxExceptions.h"
#include "LSIsoDates.h"

#include <cmath>
#include <optional>

namespace Box_20 {

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
    const std::optional<uint64_t> fileTime = ParseIsoDateTimeUtc(text);
    if (!fileTime)
        throw JoinWithSpace(L"Box_20::GetDateFromString", L"not a date (or one before 1601): " + text);
    return *fileTime;
}

} // namespace Box_20
