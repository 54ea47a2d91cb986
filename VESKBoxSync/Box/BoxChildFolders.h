// A folder's sub-folders, for the user browsing Box: without its files.
#pragma once

#include "BoxListingRecords.h"
#include "BoxRecords.h"
#include "VESKSyncBasicsLib.h"

#include <cstdint>
#include <string>
#include <vector>

namespace Box_20 {

// The folder's sub-folders, in pages of pageSize (1 to 1000). Box lists a folder's sub-folders
// before its files, so the listing ends at the first file instead of paging through them; only
// in the root folder, whose marker paging keeps no such order, are all pages read. A failed
// request throws ApiException with Box's error text; a folder id that is not decimal digits
// throws hresult_exception E_INVALIDARG before any request.
std::vector<FolderRecord> GetChildFolders(ILSShutdownInformer* informer, const std::wstring& folderId,
                                          uint32_t pageSize, const MetadataScopeRecord& scope);

} // namespace Box_20
