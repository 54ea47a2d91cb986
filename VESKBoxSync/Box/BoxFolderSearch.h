// Folders found by name, for the user to pick.
#pragma once

#include "BoxRecords.h"
#include "VESKSyncBasicsLib.h"

#include <cstdint>
#include <regex>
#include <string>
#include <vector>

namespace Box_20 {

// Searches Box for folders matching the query, 30 a page, in Box's order, until Box's
// "total_count" is reached, maximumCount folders are collected, a page comes back empty, or the
// next page would start beyond offset 10,000 (which Box refuses). A scope holding "parents:"
// followed by folder ids searches inside those folders only; any other scope searches
// everywhere. Folders whose path an exclusion pattern matches are left out. A failed request
// throws its LSHttpError; a reply without entries throws ApiException.
std::vector<FolderRecord> SearchFolders(const std::wstring& query, ILSShutdownInformer* informer,
                                        const std::wstring& scope, const std::vector<std::wregex>& exclusions,
                                        int32_t maximumCount);

} // namespace Box_20
