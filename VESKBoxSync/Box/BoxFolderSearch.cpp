#include "BoxFolderSearch.h"

#include "BoxCallLoop.h"
#include "BoxConstants.h"
#include "BoxFolderSelection.h"
#include "BoxListingRecords.h"
#include "BoxOperationFailures.h"
#include "BoxUrlBuilders.h"
#include "ComDef.h"

#include <limits>

namespace Box_20 {

namespace {

constexpr wchar_t kPlace[] = L"Box_20::SearchFolders";
constexpr wchar_t kAncestorScope[] = L"parents:";
constexpr int32_t kPageSize = 30;

CStdStr<wchar_t> SearchPageUrl(const std::wstring& query, const std::wstring& scope, int32_t offset)
{
    const size_t ancestors = scope.find(kAncestorScope);
    if (ancestors == std::wstring::npos)
        return GetFolderSearchUrl(query, offset);
    return GetFolderSearchInAncestorsUrl(query, scope.substr(ancestors), offset);
}

int64_t TotalCount(const Json::Value& reply)
{
    const Json::Value& total = reply["total_count"];
    return total.isIntegral() ? total.asInt64() : std::numeric_limits<int64_t>::max();
}

} // namespace

std::vector<FolderRecord> SearchFolders(const std::wstring& query, ILSShutdownInformer* informer,
                                        const std::wstring& scope, const std::vector<std::wregex>& exclusions,
                                        int32_t maximumCount)
{
    std::vector<FolderRecord> folders;
    const size_t wanted = maximumCount > 0 ? static_cast<size_t>(maximumCount) : 0;
    for (int32_t offset = 0; folders.size() < wanted && offset <= kMaxSearchOffset; offset += kPageSize) {
        const Json::Value reply = CallBoxAPI(SearchPageUrl(query, scope, offset), informer, BoxConstants().VerbGet,
                                             _variant_t(), false);
        const Json::Value& entries = RequireObjectReply(reply, kPlace)["entries"];
        if (!entries.isArray())
            FailOperation(kPlace, L"no entries in response from Box");
        if (entries.empty())
            break;
        for (const Json::Value& entry : entries) {
            if (!IsFolderEntry(entry))
                continue;
            FolderRecord folder = CreateFolderRecord(entry);
            if (!MatchesAnyRegex(folder.Path, exclusions))
                folders.push_back(std::move(folder));
            if (folders.size() >= wanted)
                break;
        }
        if (offset + kPageSize >= TotalCount(reply))
            break;
    }
    return folders;
}

} // namespace Box_20
