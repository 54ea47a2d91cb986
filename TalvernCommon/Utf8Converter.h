// Wide text <-> UTF-8, the encoding of every JSON text and of log output.
#pragma once

#include "StdString.h"

#include <string>
#include <string_view>

// Holds no state: a caller gets one from GetThreadUtf8Converter where it converts, and nothing
// outlives the call.
class Utf8Converter {
public:
    // Both throw std::range_error("bad conversion") on malformed input (an unpaired surrogate,
    // an invalid UTF-8 sequence), as the standard converter they stand in for does.
    std::string to_bytes(std::wstring_view wide) const;
    CStdStr<wchar_t> from_bytes(std::string_view utf8) const;
};

// The converter for the calling thread. No thread-local object stands behind it: a host thread may
// end after this module is gone, so each call hands out a converter of its own.
inline Utf8Converter GetThreadUtf8Converter() { return {}; }

// For texts that must get through whatever they hold (log lines, error messages, URLs): an
// unpaired surrogate becomes U+FFFD instead of failing the conversion.
std::string WideToUtf8Lossy(std::wstring_view wide);
// The same for text coming in: malformed UTF-8 becomes U+FFFD.
CStdStr<wchar_t> Utf8ToWideLossy(std::string_view utf8);
