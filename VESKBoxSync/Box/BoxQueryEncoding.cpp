#include "BoxQueryEncoding.h"

#include "HResultException.h"
#include "Utf8Converter.h"

#include <stdexcept>
#include <string>

namespace Box_20 {

namespace {

bool IsUnreserved(unsigned char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
           c == '_' || c == '~';
}

} // namespace

CStdStr<wchar_t> PercentEncodeUtf8(std::string_view utf8)
{
    static constexpr wchar_t kHex[] = L"0123456789ABCDEF";
    CStdStr<wchar_t> encoded;
    encoded.reserve(utf8.size() * 3);
    for (const char byte : utf8) {
        const auto c = static_cast<unsigned char>(byte);
        if (IsUnreserved(c)) {
            encoded += static_cast<wchar_t>(c);
        } else {
            encoded += L'%';
            encoded += kHex[c >> 4];
            encoded += kHex[c & 0x0F];
        }
    }
    return encoded;
}

CStdStr<wchar_t> PercentEncode(std::wstring_view text)
{
    std::string utf8;
    try {
        utf8 = GetThreadUtf8Converter().to_bytes(text);
    } catch (const std::range_error&) {
        throw hresult_exception(E_INVALIDARG, "Box_20::PercentEncode text is not valid Unicode");
    }
    return PercentEncodeUtf8(utf8);
}

CStdStr<wchar_t> PercentEncodeList(std::wstring_view commaSeparated)
{
    CStdStr<wchar_t> encoded;
    size_t start = 0;
    for (;;) {
        const size_t comma = commaSeparated.find(L',', start);
        encoded += PercentEncode(commaSeparated.substr(start, comma - start));
        if (comma == std::wstring_view::npos)
            return encoded;
        encoded += L',';
        start = comma + 1;
    }
}

} // namespace Box_20
