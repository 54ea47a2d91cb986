// Percent-encoding of the values that user and host put into Box request addresses. Only the
// unreserved characters of RFC 3986 stay as they are, so that "&", "#", "%", "+" and the like in
// a search text reach Box as text instead of changing the address.
#pragma once

#include "StdString.h"

#include <string_view>

namespace Box_20 {

// The text's UTF-8 bytes, every byte other than A-Z a-z 0-9 - . _ ~ as "%" and two upper-case
// hex digits. Text that is no valid UTF-16 throws hresult_exception E_INVALIDARG.
CStdStr<wchar_t> PercentEncode(std::wstring_view text);
// The same for UTF-8 text.
CStdStr<wchar_t> PercentEncodeUtf8(std::string_view utf8);

// A comma-separated list with each item encoded and the separating commas kept, so that Box
// still sees the same list.
CStdStr<wchar_t> PercentEncodeList(std::wstring_view commaSeparated);

} // namespace Box_20
