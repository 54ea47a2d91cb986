// A folder's sub-folders, for the user browsing Box: without its files.
#pragma once

#include "BoxListingRecords.h"
#include "BoxRecords.h"
#include "VESKSyncBasicsLib.h"

#include <cstdint>
#include <string>
#include <vector>

namespace Box_20 {

// The folder's sub-folders, from every page of its items: pages of pageSize (1 to 1000) until the
// first file, then of 1000. A failed request throws ApiException with Box's error text; a folder
// id that is not decimal digits throws hresult_exception E_INVALIDARG before any request.
std::vector<FolderRecord> GetChildFolders(ILSShutdownInformer* informer, const std::wstring& folderId,
                                          uint32_t pageSize, const MetadataScopeRecord& scope);

} // namespace Box_20
