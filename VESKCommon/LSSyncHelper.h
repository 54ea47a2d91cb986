// Dates and typed field values as the sync framework stores them on items.
#pragma once

#include "ComDef.h"
#include "StdString.h"
#include "VESKSyncBasicsLib.h"

#include <string>

namespace LSSyncHelper {

// The value as an OLE automation date; throws hresult_exception when it has no date meaning.
DATE ChangeVariantType(const VARIANT& value);

// Turns an ISO 8601 date text as the server writes it ("2024-03-01T10:20:30Z", "...+01:00",
// "...-0800", a date alone, fractions of a second dropped) into a VT_DATE in UTC; with toLocalTime
// the result is moved to the local time zone. False, and date left VT_EMPTY, for any other text.
bool ConvertDateVariant(const std::wstring& text, _variant_t& date, bool toLocalTime);

// "yyyy-mm-dd hh:mm:ss" for log lines; an OLE date outside the calendar gives its number.
CStdStr<wchar_t> FormatDateTime(DATE date);

// Converts the text to the field's type (VT_BSTR, VT_I2/VT_I4/VT_UI2/VT_UI4/VT_INT/VT_UINT,
// VT_DATE, VT_BOOL) and writes it under the field's property name with the matching accessor.
// Failures come back as HRESULTs: E_INVALIDARG for a null map or an empty property name,
// DISP_E_BADVARTYPE for another type, the conversion's or the map's failure otherwise.
HRESULT setFieldValue(const LSFieldInfo& fieldInfo, ILSPropertyMap* propMap, const std::wstring& value);

} // namespace LSSyncHelper
