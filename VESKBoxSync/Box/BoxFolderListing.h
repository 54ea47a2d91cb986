// A folder's items as the filter syncs them: the marker-paged listing with its change token and
// date limit, the listing of one document, and the ids of all items for the deletion check.
#pragma once

#include "BoxJson.h"
#include "BoxListingRecords.h"
#include "BoxRecords.h"
#include "StdString.h"
#include "VESKSyncBasicsLib.h"

#include <cstdint>
#include <string>
#include <vector>

namespace Box_20 {

struct FolderListing {
    // In listing order; each record's ListingPosition is its index here.
    std::vector<FileRecord> Files;
    std::vector<FolderRecord> Folders;
};

// Lists the folder's sub-folders and files (web links are left out), page by page.
// - The change token in is the "ChangeToken" stored on folderMap when a map is given, else
//   changeToken as passed. A token of this folder (see BoxChangeToken.h) makes the listing
//   incremental: only files changed since its cutoff are listed, in pages of incrementalLimit;
//   without one every file is, in pages of pagingLimit. Sub-folders are always all listed.
// - dateLimit, in local time, leaves out files changed before it.
// - changeToken out is this folder's token with the newest time the listing saw. When Box's
//   paging broke off (a repeated marker, an empty page), the files listed are returned but the
//   cutoff stays where it was, so that the next listing asks again for what was missed.
// A failed request throws ApiException with Box's error text ("[Box Error Code]not_found..." for
// a missing folder), recorded as a sync issue on folderMap; a bad folder id throws
// hresult_exception E_INVALIDARG before any request.
FolderListing GetFolderContents(ILSPropertyMap* folderMap, ILSShutdownInformer* informer, const std::wstring& folderId,
                                uint32_t pagingLimit, uint32_t incrementalLimit, CStdStr<wchar_t>& changeToken,
                                const OptionalDate& dateLimit, const MetadataScopeRecord& scope);

// The listing of the one file; throws as GetFolderContents does.
FolderListing GetFolderSingleDocContents(ILSPropertyMap* folderMap, ILSShutdownInformer* informer,
                                         const std::wstring& fileId, const MetadataScopeRecord& scope);

// The ids of the folder's sub-folders and files (files changed before the date limit left out),
// in pages of `limit`. The deletion check takes a missing id for a deleted item, so a listing
// that Box's paging broke off throws ApiException instead of answering in part.
std::vector<CStdStr<wchar_t>> GetFolderContentIds(ILSShutdownInformer* informer, const std::wstring& folderId,
                                                  const OptionalDate& dateLimit, uint32_t limit);

} // namespace Box_20
