// One request as the stand-in's journal recorded it.
#pragma once

#include <json/json.h>
#include <windows.h>
#include <wincrypt.h>

#include <string.h>

#include <string>

namespace TestSupport {

// The value of the request's first header of that name (any letter case); empty when it has none.
inline std::string JournalHeader(const Json::Value& entry, const std::string& name)
{
    for (const Json::Value& header : entry["headers"]) {
        if (_stricmp(header[0].asCString(), name.c_str()) == 0)
            return header[1].asString();
    }
    return {};
}

// The request's body as it arrived.
inline std::string JournalBody(const Json::Value& entry)
{
    const std::string text = entry["body_base64"].asString();
    DWORD size = 0;
    ::CryptStringToBinaryA(text.c_str(), static_cast<DWORD>(text.size()), CRYPT_STRING_BASE64, nullptr, &size, nullptr,
                           nullptr);
    std::string bytes(size, '\0');
    if (size > 0 && !::CryptStringToBinaryA(text.c_str(), static_cast<DWORD>(text.size()), CRYPT_STRING_BASE64,
                                            reinterpret_cast<BYTE*>(bytes.data()), &size, nullptr, nullptr))
        return {};
    bytes.resize(size);
    return bytes;
}

} // namespace TestSupport
