// Session uploads of files from 52,428,800 bytes on: the session, the parts in order, the commit,
// sent again after Box's Retry-After while Box answers 202, and the session's abort when anything
// fails once it exists. Sizes and offsets are 64-bit: a file of 4 GiB and more goes up whole.
// Parts are read from the file as they are sent: memory does not grow with the part size.
#pragma once

#include "BoxUploadRecords.h"
#include "StdString.h"
#include "VESKSyncBasicsLib.h"

namespace Box_20 {

// A new file in the record's parent folder; returns its id. A file that cannot be read or does
// not hold the record's size fails before any request. Box's refusals throw ApiException with
// the Box error text (recorded as a sync issue on the record's map); the bare HRESULT E_ABORT
// when the informer asks to stop.
CStdStr<wchar_t> PerformChunkedFileUpload(ILSShutdownInformer* informer, const UploadFileRecord& record);

// A new version of the record's file; returns the file's id. Failures as above.
CStdStr<wchar_t> PerformChunkedFileVersionUpload(ILSShutdownInformer* informer, const UploadFileRecord& record);

} // namespace Box_20
