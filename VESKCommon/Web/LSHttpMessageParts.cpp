#include "LSHttpMessageParts.h"

#include "LSHttpBodyBytes.h"
#include "StdString.h"

#include <algorithm>

std::string VariantBodyBytes(const VARIANT& body)
{
    LSHttpBodyBytes bytes(body);
    if (!bytes.IsStream())
        return std::string(bytes.View());
    std::string copy(static_cast<size_t>(bytes.Size()), '\0');
    size_t filled = 0;
    while (filled < copy.size()) {
        const size_t read = bytes.ReadNext(copy.data() + filled, copy.size() - filled);
        if (read == 0)
            break;
        filled += read;
    }
    copy.resize(filled);
    return copy;
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

