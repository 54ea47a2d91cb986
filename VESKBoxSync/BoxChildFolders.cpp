#include "BoxChildFolders.h"

#include "BoxCallLoop.h"
#include "BoxConstants.h"
#include "BoxMarkerPaging.h"
#include "BoxUrlBuilders.h"
#include "ComDef.h"

#include <algorithm>

namespace Box_20 {

namespace {

constexpr wchar_t kPlace[] = L"Box_20::GetChildFolders";
constexpr wchar_t kRootFolderId[] = L"0";
constexpr uint32_t kMaxPageSize = 1000;

} // namespace

std::vector<FolderRecord> GetChildFolders(ILSShutdownInformer* informer, const std::wstring& folderId,
                                          uint32_t pageSize, const MetadataScopeRecord& scope)
{
    const bool foldersComeFirst = folderId != kRootFolderId;
    const uint32_t limit = std::clamp<uint32_t>(pageSize, 1, kMaxPageSize);
    std::vector<FolderRecord> folders;
    PageThroughMarkers(
        [&](const std::wstring& marker) {
            return CallBoxAPIWithRichErrorLogging(nullptr, informer,
                                                  GetFolderItemsUrl(scope.EnterpriseId, folderId,
                                                                    scope.EmailTemplateName,
                                                                    scope.FingerprintTemplateName, limit, marker),
                                                  BoxConstants().VerbGet, _variant_t(), false);
        },
        [&](const Json::Value& entries) {
            for (const Json::Value& entry : entries) {
                if (IsFolderEntry(entry))
                    folders.push_back(CreateFolderRecord(entry));
                else if (foldersComeFirst)
                    return false;
            }
            return true;
        },
        kPlace);
    return folders;
}

} // namespace Box_20
