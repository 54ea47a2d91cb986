// Readers of members of Box's JSON replies. They are tolerant: a missing member or one of an
// unexpected type gives the empty value, so one odd item never fails a whole reply. Only the
// date reader that a caller needs as a must fails.
#pragma once

#include "BoxDates.h"
#include "StdString.h"

#include <json/value.h>
#include <oaidl.h>

#include <cstdint>

namespace Box_20 {

// An OLE date that may be absent.
struct OptionalDate {
    DATE Date = 0;
    bool Valid = false;
};

// The member itself, or a null value when the object has no such member (or is no object).
const Json::Value& MemberOrNull(const Json::Value& object, const char* name);

// The member's text as a wide string. A number or bool gives its JSON text; a missing, null,
// object or array member gives an empty text.
CStdStr<wchar_t> GetJsonString(const Json::Value& object, const char* name);

// The member as a signed 32-bit number: a JSON number (a fraction is dropped), a text holding a
// decimal integer (Box sends "version_number" as text), or a bool as 0/1. Anything else, or a
// value outside 32 bits, gives 0.
int32_t GetJsonInt(const Json::Value& object, const char* name);

// The member as a bool: a JSON bool, a number other than 0, or the text "true" (any case) or
// "1". Anything else gives false.
bool GetJsonBool(const Json::Value& object, const char* name);

// The member's date, valid only when the object holds the member as a readable date.
OptionalDate GetJsonMember(const Json::Value& object, const char* name);

// The member's ISO 8601 date-time as an OLE DATE in UTC. Throws ApiException when the member is
// missing, null or not a date.
DATE GetDateFromJsonValue(const Json::Value& object, const char* name);

} // namespace Box_20
