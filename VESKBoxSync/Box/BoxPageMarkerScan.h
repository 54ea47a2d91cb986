// A quick, strict look at a listing page's bytes before they are parsed, so that the next page
// can be asked for while this one is parsed and built.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace Box_20 {

// The page's next marker ("" when it names none: null, "" or absent) when the bytes certainly
// are a JSON object with a non-empty "entries" array and at most one "next_marker" member, null
// or a string of printable ASCII without escapes. Absent whenever the look is not certain (an
// escape in a member name of the page or in the marker, a comment, a marker of another type, an
// empty or missing "entries", text that is no JSON object): the caller then parses first.
std::optional<std::wstring> ScanNextMarker(std::string_view page);

} // namespace Box_20
