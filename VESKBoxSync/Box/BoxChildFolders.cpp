#include "BoxChildFolders.h"

#include "BoxMarkerPaging.h"
#include "BoxUrlBuilders.h"

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
    // Box lists a folder's sub-folders before its files: the first file ends the browse.
    bool filesReached = false;
    PageThroughMarkers(
        nullptr, informer,
        [&](const std::wstring& marker) {
            return GetFolderItemsUrl(scope.EnterpriseId, folderId, scope.EmailTemplateName,
                                     scope.FingerprintTemplateName, limit, marker);
        },
        [&](const Json::Value& entries) {
            for (const Json::Value& entry : entries) {
                if (!IsFolderEntry(entry) && foldersComeFirst)
                    filesReached = true;
            }
            return !filesReached;
        },
        [&](const Json::Value& entries) {
            for (const Json::Value& entry : entries) {
                if (IsFolderEntry(entry))
                    folders.push_back(CreateFolderRecord(entry));
            }
        },
        kPlace, foldersComeFirst ? PageSelection::MayStop : PageSelection::EveryPage);
    return folders;
}

} // namespace Box_20
