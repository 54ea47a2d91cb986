#include "StandInJournal.h"

#include <string.h>

namespace TestSupport {
namespace {

std::string Base64Decode(const std::string& text)
{
    static const std::string digits = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string bytes;
    unsigned buffer = 0;
    int bits = 0;
    for (const char c : text) {
        const size_t value = digits.find(c);
        if (value == std::string::npos)
            continue;
        buffer = (buffer << 6) | static_cast<unsigned>(value);
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            bytes += static_cast<char>((buffer >> bits) & 0xFF);
        }
    }
    return bytes;
}

} // namespace

std::string JournalHeader(const Json::Value& entry, const std::string& name)
{
    for (const Json::Value& header : entry["headers"]) {
        if (_stricmp(header[0].asCString(), name.c_str()) == 0)
            return header[1].asString();
    }
    return {};
}

std::string JournalBody(const Json::Value& entry) { return Base64Decode(entry["body_base64"].asString()); }

} // namespace TestSupport
