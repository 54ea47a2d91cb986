#include "BoxMarkerPaging.h"

#include "BoxJson.h"
#include "BoxOperationFailures.h"
#include "LSDiag.h"

#include <set>

namespace Box_20 {

namespace {

const Json::Value& PageEntries(const Json::Value& page, const wchar_t* place)
{
    const Json::Value& entries = RequireObjectReply(page, place)["entries"];
    if (!entries.isArray())
        FailOperation(place, L"no entries in response from Box");
    return entries;
}

PagingEnd StopTruncated(const wchar_t* place, const char* reason, const std::wstring& marker)
{
    LOG(ERROR) << " " << LSDiag::LogText(place) << " paging stopped: " << reason << " " << LSDiag::LogText(marker)
               << "\n";
    return PagingEnd::Truncated;
}

} // namespace

PagingEnd PageThroughMarkers(const MarkerPageFetch& fetchPage, const MarkerPageEntries& takeEntries,
                             const wchar_t* place)
{
    std::set<std::wstring> markersUsed;
    std::wstring marker;
    for (;;) {
        const Json::Value page = fetchPage(marker);
        const Json::Value& entries = PageEntries(page, place);
        const std::wstring nextMarker = GetJsonString(page, "next_marker");
        if (entries.empty())
            return nextMarker.empty() ? PagingEnd::Complete
                                      : StopTruncated(place, "Box sent an empty page before the marker", nextMarker);
        if (!takeEntries(entries) || nextMarker.empty())
            return PagingEnd::Complete;
        // A marker seen before would only lead round the same pages again.
        if (!markersUsed.insert(nextMarker).second)
            return StopTruncated(place, "Box repeated the marker", nextMarker);
        marker = nextMarker;
    }
}

} // namespace Box_20
