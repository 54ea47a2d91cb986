// Reading the parts of a request as they go on the wire, for logs and recordings.
#pragma once

#include "ILSHttpRequest.h"
#include "Utf8Converter.h"

#include <string>
#include <string_view>

// A copy of the bytes a body VARIANT sends (see LSHttpBodyBytes, which reads them in place).
std::string VariantBodyBytes(const VARIANT& body);

// Whether the bytes are worth writing as text: a body of another kind is logged by its size.
bool IsTextBody(const VARIANT& body);

// The value of the first header of that name (compared without regard to case); empty if none.
std::wstring FindHeader(const LSHttpHeaderList& headers, std::wstring_view name);

// The value of the first "Name: value" line of that name in CRLF-separated header lines
// (compared without regard to case); empty if none.
std::wstring FindHeaderLine(std::wstring_view headerLines, std::wstring_view name);

// "Name: value" lines, each ending in CRLF, in the order given.
template <typename Headers>
std::wstring JoinHeaderLines(const Headers& headers)
{
    std::wstring lines;
    for (const auto& [name, value] : headers)
        lines += name + L": " + value + L"\r\n";
    return lines;
}
