#include "BoxMarkerPaging.h"

#include "BoxCallLoop.h"
#include "BoxConstants.h"
#include "BoxJson.h"
#include "BoxOperationFailures.h"
#include "BoxPageMarkerScan.h"
#include "LSDiag.h"

#include <optional>
#include <set>
#include <string>

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

PagingEnd PageThroughMarkers(ILSPropertyMap* map, ILSShutdownInformer* informer, const MarkerPageUrl& pageUrl,
                             const MarkerPageSelect& select, const MarkerPageBuild& build, const wchar_t* place,
                             PageSelection selection)
{
    const CStdStr<wchar_t>& get = BoxConstants().VerbGet;
    std::set<std::wstring> markersUsed;
    CStdStr<wchar_t> url = pageUrl(L"");
    BoxStartedRequest nextPage;
    for (;;) {
        std::string bytes = CallBoxAPIForReplyBytes(map, informer, url, get, &nextPage);
        // The marker that the request begun ahead went for, or empty.
        std::wstring startedFor;
        if (selection == PageSelection::EveryPage) {
            std::optional<std::wstring> scanned = ScanNextMarker(bytes);
            if (scanned && !scanned->empty() && markersUsed.count(*scanned) == 0) {
                startedFor = std::move(*scanned);
                url = pageUrl(startedFor);
                nextPage = StartBoxRequest(url, informer, get);
            }
        }
        const Json::Value page = ParseRichReply(bytes);
        bytes = std::string();
        const Json::Value& entries = PageEntries(page, place);
        const std::wstring nextMarker = GetJsonString(page, "next_marker");
        if (entries.empty())
            return nextMarker.empty() ? PagingEnd::Complete
                                      : StopTruncated(place, "Box sent an empty page before the marker", nextMarker);
        PagingEnd end = PagingEnd::Complete;
        bool more = select(entries) && !nextMarker.empty();
        // A marker seen before would only lead round the same pages again.
        if (more && !markersUsed.insert(nextMarker).second) {
            end = StopTruncated(place, "Box repeated the marker", nextMarker);
            more = false;
        }
        if (!more || nextMarker != startedFor)
            nextPage = {};
        if (more && nextMarker != startedFor) {
            url = pageUrl(nextMarker);
            nextPage = StartBoxRequest(url, informer, get);
        }
        build(entries);
        if (!more)
            return end;
    }
}

} // namespace Box_20
