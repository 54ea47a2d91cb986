#include "BoxDuplicates.h"

#include "BoxCallLoop.h"
#include "BoxConstants.h"
#include "BoxJson.h"
#include "BoxOperationFailures.h"
#include "BoxUrlBuilders.h"
#include "ComDef.h"

#include <algorithm>

namespace Box_20 {

namespace {

constexpr wchar_t kPlace[] = L"Box_20::RetrieveDuplicateOnline";
// Box answers at most this many items a page.
constexpr int32_t kMaxPageSize = 1000;

CStdStr<wchar_t> FindFingerprint(const Json::Value& reply, const std::wstring& contentHash,
                                 const MetadataScopeRecord& scope)
{
    const Json::Value& entries = RequireObjectReply(reply, kPlace)["entries"];
    if (!entries.isArray())
        FailOperation(kPlace, L"no entries in response from Box");
    for (const Json::Value& entry : entries) {
        if (IsFileEntry(entry) && ReadFingerprint(entry, scope) == contentHash)
            return GetJsonString(entry, "id");
    }
    return {};
}

CStdStr<wchar_t> DuplicateRequestUrl(const std::wstring& contentHash, const std::wstring& folderId, int32_t count,
                                     const MetadataScopeRecord& scope, bool searchMode)
{
    if (searchMode)
        return GetFingerprintSearchUrl(scope.EnterpriseId, folderId, scope.FingerprintTemplateName, contentHash);
    return GetFolderFingerprintItemsUrl(scope.EnterpriseId, folderId, scope.FingerprintTemplateName,
                                        static_cast<uint32_t>(std::min(count, kMaxPageSize)));
}

} // namespace

CStdStr<wchar_t> RetrieveDuplicateOnline(const std::wstring& contentHash, ILSShutdownInformer* informer,
                                         const std::wstring& folderId, int32_t count,
                                         const MetadataScopeRecord& scope, bool searchMode)
{
    if (contentHash.empty() || scope.FingerprintTemplateName.empty() || (!searchMode && count <= 0))
        return {};
    const Json::Value reply =
        CallBoxAPIWithRichErrorLogging(nullptr, informer,
                                       DuplicateRequestUrl(contentHash, folderId, count, scope, searchMode),
                                       BoxConstants().VerbGet, _variant_t(), false);
    return FindFingerprint(reply, contentHash, scope);
}

} // namespace Box_20
