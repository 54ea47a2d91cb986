// Box names files and folders by decimal ids. A text from a property map goes into a request
// address only when it is one, so that nothing else can reach another route of the API.
#pragma once

#include <algorithm>
#include <string_view>

namespace Box_20 {

inline bool IsBoxId(std::wstring_view id)
{
    return !id.empty() && std::all_of(id.begin(), id.end(), [](wchar_t c) { return c >= L'0' && c <= L'9'; });
}

} // namespace Box_20
