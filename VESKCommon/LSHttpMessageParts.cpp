#include "LSHttpMessageParts.h"

#include "StdString.h"

#include <oleauto.h>

#include <algorithm>

namespace {

std::string SafeArrayBytes(SAFEARRAY* array)
{
    LONG lower = 0;
    LONG upper = -1;
    void* data = nullptr;
    if (array == nullptr || FAILED(::SafeArrayGetLBound(array, 1, &lower)) ||
        FAILED(::SafeArrayGetUBound(array, 1, &upper)) || upper < lower ||
        FAILED(::SafeArrayAccessData(array, &data)))
        return {};
    std::string bytes(static_cast<const char*>(data), static_cast<size_t>(upper) - static_cast<size_t>(lower) + 1);
    ::SafeArrayUnaccessData(array);
    return bytes;
}

} // namespace

std::string VariantBodyBytes(const VARIANT& body)
{
    if (body.vt == VT_BSTR)
        return WideToUtf8Lossy(std::wstring_view(body.bstrVal ? body.bstrVal : L"", ::SysStringLen(body.bstrVal)));
    if (body.vt == (VT_ARRAY | VT_UI1))
        return SafeArrayBytes(body.parray);
    return {};
}

bool IsTextBody(const VARIANT& body) { return body.vt == VT_BSTR; }

std::wstring FindHeader(const LSHttpHeaderList& headers, std::wstring_view name)
{
    for (const auto& [headerName, value] : headers) {
        if (CStdStr<wchar_t>(headerName).Equals(name, false))
            return value;
    }
    return {};
}

std::wstring FindHeaderLine(std::wstring_view headerLines, std::wstring_view name)
{
    size_t start = 0;
    while (start < headerLines.size()) {
        const size_t end = std::min(headerLines.find(L"\r\n", start), headerLines.size());
        const std::wstring_view line = headerLines.substr(start, end - start);
        const size_t colon = line.find(L':');
        if (colon != std::wstring_view::npos && CStdStr<wchar_t>(std::wstring(line.substr(0, colon))).Equals(name, false)) {
            const size_t valueStart = line.find_first_not_of(L' ', colon + 1);
            return valueStart == std::wstring_view::npos ? std::wstring() : std::wstring(line.substr(valueStart));
        }
        start = end + 2;
    }
    return {};
}

