// Box names files and folders by decimal ids. A text from a property map goes into a request
// address only when it is one, so that nothing else can reach another route of the API.
#pragma once

#include <algorithm>
#include <string>
#include <string_view>

namespace Box_20 {

inline bool IsBoxId(std::wstring_view id)
{
    return !id.empty() && std::all_of(id.begin(), id.end(), [](wchar_t c) { return c >= L'0' && c <= L'9'; });
}

// The id an item's address ends in: the last piece between '/' characters, so that
// ".../folder/123" and ".../folder/123/" both give 123; the whole text when it holds no '/'.
inline std::wstring IdAtEndOf(std::wstring_view address)
{
    const size_t end = address.find_last_not_of(L'/');
    if (end == std::wstring_view::npos)
        return {};
    const size_t slash = address.rfind(L'/', end);
    const size_t start = slash == std::wstring_view::npos ? 0 : slash + 1;
    return std::wstring(address.substr(start, end + 1 - start));
}

} // namespace Box_20
