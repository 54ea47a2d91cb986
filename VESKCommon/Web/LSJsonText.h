// JSON request bodies written as text, where the member order and layout must be exact.
#pragma once

#include "StdString.h"

#include <string_view>
#include <utility>
#include <vector>

// The text as JSON string content: \" \\ \b \f \n \r \t, other characters below 0x20 as \uXXXX
// (upper-case hex); everything else, the solidus included, unchanged.
CStdStr<wchar_t> EscapeJsonString(std::wstring_view text);

// A quotation mark, the escaped text, a quotation mark.
CStdStr<wchar_t> QuoteJsonString(std::wstring_view text);

// {member name, JSON value text}; names are written as given, values verbatim.
using JsonMemberList = std::vector<std::pair<CStdStr<wchar_t>, CStdStr<wchar_t>>>;

// "{" "name":value,... "}" and a line feed; an empty list gives an empty text.
CStdStr<wchar_t> BuildJsonObjectText(const JsonMemberList& members);
