// Helpers of the offline request tests: service bases and a strict query decoder.
#pragma once

#include "BoxConstants.h"
#include "Utf8Converter.h"

#include <map>
#include <sstream>
#include <string>

namespace BoxWireTest {

inline std::wstring Api() { return Box_20::BoxConstants().ApiBaseUrl + L"/2.0"; }
inline std::wstring Upload() { return Box_20::BoxConstants().UploadBaseUrl + L"/2.0"; }

// "%XY" is a byte, "+" stays "+" (RFC 3986, not forms).
inline std::string PercentDecoded(const std::string& text)
{
    std::string decoded;
    for (size_t i = 0; i < text.size(); ++i) {
        const bool escape = text[i] == '%' && i + 2 < text.size();
        decoded += escape ? static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16)) : text[i];
        i += escape ? 2 : 0;
    }
    return decoded;
}

// Split at "&" and "=" before decoding, as a server splits it.
inline std::multimap<std::string, std::string> QueryParameters(const std::wstring& url)
{
    std::multimap<std::string, std::string> parameters;
    const std::string address = WideToUtf8Lossy(url);
    std::istringstream query(address.substr(std::min(address.find('?'), address.size() - 1) + 1));
    for (std::string pair; std::getline(query, pair, '&');) {
        const size_t equals = pair.find('=');
        parameters.emplace(PercentDecoded(pair.substr(0, equals)),
                           equals == std::string::npos ? std::string() : PercentDecoded(pair.substr(equals + 1)));
    }
    return parameters;
}

inline std::string QueryValue(const std::wstring& url, const std::string& name)
{
    const auto parameters = QueryParameters(url);
    const auto found = parameters.find(name);
    return found == parameters.end() ? std::string("<absent>") : found->second;
}

} // namespace BoxWireTest
