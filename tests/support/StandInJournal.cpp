#include "StandInJournal.h"

#include <windows.h>
#include <wincrypt.h>

#include <string.h>

namespace TestSupport {

std::string JournalHeader(const Json::Value& entry, const std::string& name)
{
    for (const Json::Value& header : entry["headers"]) {
        if (_stricmp(header[0].asCString(), name.c_str()) == 0)
            return header[1].asString();
    }
    return {};
}

std::string JournalBody(const Json::Value& entry)
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
