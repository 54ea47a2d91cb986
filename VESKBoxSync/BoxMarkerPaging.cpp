#include "BoxMarkerPaging.h"

#include "BoxCallLoop.h"
#include "BoxConstants.h"
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

PagingEnd PageThroughMarkers(ILSPropertyMap* map, ILSShutdownInformer* informer, const MarkerPageUrl& pageUrl,
                             const MarkerPageSelect& select, const MarkerPageBuild& build, const wchar_t* place)
{
    const CStdStr<wchar_t>& get = BoxConstants().VerbGet;
    std::set<std::wstring> markersUsed;
    CStdStr<wchar_t> url = pageUrl(L"");
    BoxStartedRequest nextPage;
    for (;;) {
        const Json::Value page = CallBoxAPIWithRichErrorLogging(map, informer, url, get, _variant_t(), false, &nextPage);
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
        if (more) {
            url = pageUrl(nextMarker);
            nextPage = StartBoxRequest(url, informer, get);
        }
        build(entries);
        if (!more)
            return end;
    }
}

} // namespace Box_20
