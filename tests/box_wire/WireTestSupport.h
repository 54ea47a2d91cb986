// Helpers of the Box wire tests: service bases, a strict query decoder, thrown HRESULTs.
#pragma once

#include "BoxConstants.h"
#include "HResultException.h"

#include <windows.h>

#include <algorithm>
#include <map>
#include <string>

namespace BoxWireTest {

inline std::wstring Api()
{
    return Box_20::BoxConstants().ApiBaseUrl + L"/2.0";
}

inline std::wstring Upload()
{
    return Box_20::BoxConstants().UploadBaseUrl + L"/2.0";
}

inline std::string Utf8(const std::wstring& text)
{
    const int length = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                             nullptr, nullptr);
    std::string utf8(static_cast<size_t>(length), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), utf8.data(), length, nullptr,
                          nullptr);
    return utf8;
}

// A server's reading of one query value: "%XY" is a byte, "+" stays "+" (RFC 3986, not forms).
inline std::string PercentDecoded(const std::string& text)
{
    std::string decoded;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size()) {
            decoded += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            decoded += text[i];
        }
    }
    return decoded;
}

// The query of an address split at "&" and "=" before decoding, as a server splits it.
inline std::multimap<std::string, std::string> QueryParameters(const std::wstring& url)
{
    std::multimap<std::string, std::string> parameters;
    const std::string address = Utf8(url);
    const size_t start = address.find('?');
    if (start == std::string::npos)
        return parameters;
    const std::string query = address.substr(start + 1, address.find('#') - start - 1);
    size_t at = 0;
    while (at <= query.size()) {
        const size_t end = std::min(query.find('&', at), query.size());
        const std::string pair = query.substr(at, end - at);
        const size_t equals = pair.find('=');
        parameters.emplace(PercentDecoded(pair.substr(0, equals)),
                           equals == std::string::npos ? std::string() : PercentDecoded(pair.substr(equals + 1)));
        at = end + 1;
    }
    return parameters;
}

inline std::string QueryValue(const std::wstring& url, const std::string& name)
{
    const auto parameters = QueryParameters(url);
    const auto found = parameters.find(name);
    return found == parameters.end() ? std::string("<absent>") : found->second;
}

// The HRESULT of the hresult_exception a call throws; S_OK when it throws none.
template <typename Call>
HRESULT ThrownHresult(Call call)
{
    try {
        call();
    } catch (const hresult_exception& error) {
        return error.hr();
    }
    return S_OK;
}

} // namespace BoxWireTest
