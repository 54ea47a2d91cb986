// Box's date-time texts as FILETIME counts and OLE dates.
#pragma once

#include <oaidl.h>

#include <cstdint>
#include <string>

namespace Box_20 {

// A Box date-time ("2012-12-12T10:53:43-08:00", "2012-12-12T10:53:43Z") as a FILETIME count in
// UTC, read as ParseIsoDateTimeUtc reads it. Throws ApiException for a text that is no such date,
// or one before 1601.
uint64_t GetDateFromString(const std::wstring& text);

// A FILETIME count as an OLE DATE (days since 1899-12-30, time of day as the fraction).
DATE FileTimeToOleDate(uint64_t fileTime);

} // namespace Box_20
