// Percent-encoding of text inserted into URLs and form bodies.
#pragma once

#include "StdString.h"

#include <string_view>

namespace LSHttpUtils {

// UTF-8 bytes of the text, every byte other than ASCII letters, digits and ~!*()'/:-_.[],;=%$
// written as "%" and two lower-case hex digits. With plusAsColons every "+" first becomes ":::".
CStdStr<wchar_t> UrlEncode(std::wstring_view text, bool plusAsColons);

} // namespace LSHttpUtils
