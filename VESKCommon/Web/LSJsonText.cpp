#include "LSJsonText.h"

#include "StringUtils.h"

namespace {

const wchar_t* ShortEscape(wchar_t c)
{
    switch (c) {
    case L'"': return L"\\\"";
    case L'\\': return L"\\\\";
    case L'\b': return L"\\b";
    case L'\f': return L"\\f";
    case L'\n': return L"\\n";
    case L'\r': return L"\\r";
    case L'\t': return L"\\t";
    default: return nullptr;
    }
}

} // namespace

CStdStr<wchar_t> EscapeJsonString(std::wstring_view text)
{
    CStdStr<wchar_t> escaped;
    escaped.reserve(text.size());
    for (wchar_t c : text) {
        if (const wchar_t* shortForm = ShortEscape(c))
            escaped += shortForm;
        else if (c < 0x20)
            escaped += FormatWide(L"\\u%04X", static_cast<unsigned>(c));
        else
            escaped += c;
    }
    return escaped;
}

CStdStr<wchar_t> QuoteJsonString(std::wstring_view text) { return L"\"" + EscapeJsonString(text) + L"\""; }

CStdStr<wchar_t> BuildJsonObjectText(const JsonMemberList& members)
{
    if (members.empty())
        return {};
    CStdStr<wchar_t> text = L"{";
    for (const auto& [name, value] : members)
        text += L"\"" + name + L"\":" + value + L",";
    text.back() = L'}';
    text += L"\n";
    return text;
}
