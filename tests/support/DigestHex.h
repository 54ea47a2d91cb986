// A SHA-1 digest as the stand-in reports a stored file's "sha1": lower-case hex.
#pragma once

#include "LSHash.h"

#include <cstdio>
#include <string>

namespace TestSupport {

inline std::string Sha1Hex(const CLSHash::Sha1Digest& digest)
{
    std::string text;
    char pair[3] = {};
    for (const BYTE b : digest) {
        std::snprintf(pair, sizeof(pair), "%02x", b);
        text += pair;
    }
    return text;
}

} // namespace TestSupport
