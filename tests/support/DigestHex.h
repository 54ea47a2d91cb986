// A SHA-1 digest as the stand-in reports a stored file's "sha1": lower-case hex.
#pragma once

#include "LSHash.h"

#include <string>

namespace TestSupport {

inline std::string Sha1Hex(const CLSHash::Sha1Digest& digest)
{
    static const char digits[] = "0123456789abcdef";
    std::string text;
    for (const BYTE b : digest)
        text += {digits[b >> 4], digits[b & 15]};
    return text;
}

} // namespace TestSupport
