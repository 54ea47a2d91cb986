// Marker paging over a Box folder's items: each page names the marker of the next one, and the
// last page names none (next_marker null, "" or absent).
#pragma once

#include <json/value.h>

#include <functional>
#include <string>

namespace Box_20 {

enum class PagingEnd {
    // Every page was read, or the page handler had all it needed.
    Complete,
    // Box repeated a marker or sent an empty page that still named a next one: paging stopped
    // there, and what lies beyond is unknown.
    Truncated,
};

// The page at a marker (the first page for an empty marker), as Box's parsed reply.
using MarkerPageFetch = std::function<Json::Value(const std::wstring& marker)>;
// Takes a page's entries; false when no further page is needed.
using MarkerPageEntries = std::function<bool(const Json::Value& entries)>;

// Fetches pages until the last one. A reply that is no object or has no "entries" array fails
// with ApiException under the place's name.
PagingEnd PageThroughMarkers(const MarkerPageFetch& fetchPage, const MarkerPageEntries& takeEntries,
                             const wchar_t* place);

} // namespace Box_20
