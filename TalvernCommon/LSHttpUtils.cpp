#include "LSHttpUtils.h"

#include "Utf8Converter.h"

#include <string>

namespace {

bool IsKeptUnencoded(unsigned char byte)
{
    if ((byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') || (byte >= '0' && byte <= '9'))
        return true;
    static constexpr std::string_view kept = "~!*()'/:-_.[],;=%$";
    return kept.find(static_cast<char>(byte)) != std::string_view::npos;
}

} // namespace

namespace LSHttpUtils {

CStdStr<wchar_t> UrlEncode(std::wstring_view text, bool plusAsColons)
{
    CStdStr<wchar_t> source(text);
    if (plusAsColons)
        source.Replace(L"+", L":::");

    static constexpr wchar_t hexDigits[] = L"0123456789abcdef";
    CStdStr<wchar_t> encoded;
    for (const char c : WideToUtf8Lossy(source)) {
        const auto byte = static_cast<unsigned char>(c);
        if (IsKeptUnencoded(byte)) {
            encoded.push_back(static_cast<wchar_t>(byte));
        } else {
            encoded.push_back(L'%');
            encoded.push_back(hexDigits[byte >> 4]);
            encoded.push_back(hexDigits[byte & 0x0F]);
        }
    }
    return encoded;
}

} // namespace LSHttpUtils
