// Marker paging over a Box folder's items: each page names the marker of the next one, and the
// last page names none (next_marker null, "" or absent).
#pragma once

#include "StdString.h"
#include "VESKSyncBasicsLib.h"

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

// The URL of the page at a marker (the first page for an empty marker).
using MarkerPageUrl = std::function<CStdStr<wchar_t>(const std::wstring& marker)>;
// Looks at a page's entries before the next page is asked for; false when no further page is
// needed.
using MarkerPageSelect = std::function<bool(const Json::Value& entries)>;
// Takes what the caller keeps of the page, while the next page is already on its way.
using MarkerPageBuild = std::function<void(const Json::Value& entries)>;

// Whether select may end the paging before the last page.
enum class PageSelection {
    MayStop,
    // select always wants the next page: it is asked for as soon as the page's bytes name it,
    // before they are parsed.
    EveryPage,
};

// GETs pages through the call loop (failures recorded on map when given) until the last one or
// until select wants no more. A reply that is no object or has no "entries" array fails with
// ApiException under the place's name.
PagingEnd PageThroughMarkers(ILSPropertyMap* map, ILSShutdownInformer* informer, const MarkerPageUrl& pageUrl,
                             const MarkerPageSelect& select, const MarkerPageBuild& build, const wchar_t* place,
                             PageSelection selection);

} // namespace Box_20
