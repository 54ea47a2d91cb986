#include "BoxChildFolders.h"

#include "BoxMarkerPaging.h"
#include "BoxUrlBuilders.h"

#include <algorithm>

namespace Box_20 {

namespace {

constexpr wchar_t kPlace[] = L"Box_20::GetChildFolders";
constexpr uint32_t kMaxPageSize = 1000;

} // namespace

std::vector<FolderRecord> GetChildFolders(ILSShutdownInformer* informer, const std::wstring& folderId,
                                          uint32_t pageSize, const MetadataScopeRecord& scope)
{
    const uint32_t limit = std::clamp<uint32_t>(pageSize, 1, kMaxPageSize);
    std::vector<FolderRecord> folders;
    // Folders come before files only in some folders, so every page is read; once files show,
    // the rest is likely files, fetched in as few pages as Box allows.
    bool filesSeen = false;
    PageThroughMarkers(
        nullptr, informer,
        [&](const std::wstring& marker) {
            return GetFolderItemsUrl(scope.EnterpriseId, folderId, scope.EmailTemplateName,
                                     scope.FingerprintTemplateName, filesSeen ? kMaxPageSize : limit, marker);
        },
        // Looks before the next page is asked for, so that its size can follow.
        [&](const Json::Value& entries) {
            filesSeen = filesSeen || std::any_of(entries.begin(), entries.end(),
                                                 [](const Json::Value& entry) { return !IsFolderEntry(entry); });
            return true;
        },
        [&](const Json::Value& entries) {
            for (const Json::Value& entry : entries) {
                if (IsFolderEntry(entry))
                    folders.push_back(CreateFolderRecord(entry));
            }
        },
        kPlace, PageSelection::MayStop);
    return folders;
}

} // namespace Box_20
