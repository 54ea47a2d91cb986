// A file of a Box folder whose stored fingerprint equals a content hash.
#pragma once

#include "BoxListingRecords.h"
#include "StdString.h"
#include "VESKSyncBasicsLib.h"

#include <cstdint>
#include <string>

namespace Box_20 {

// The id of a file under the folder whose fingerprint metadata equals the hash, else empty.
// Search mode asks Box's search for the hash (up to 100 candidates); listing mode reads the fingerprints
// of the folder's first `count` items (at most one page of 1000). Box's search also finds
// partial matches, so every candidate's fingerprint is compared exactly. Without a hash, a
// fingerprint template or (listing mode) a positive count nothing is asked and the answer is
// empty. A failed request throws ApiException with Box's error text.
CStdStr<wchar_t> RetrieveDuplicateOnline(const std::wstring& contentHash, ILSShutdownInformer* informer,
                                         const std::wstring& folderId, int32_t count,
                                         const MetadataScopeRecord& scope, bool searchMode);

} // namespace Box_20
