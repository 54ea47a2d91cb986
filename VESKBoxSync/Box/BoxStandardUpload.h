// Multipart uploads of files below 52,428,800 bytes: one request carrying the attributes and the
// file, and the file's SHA-1 in "content-md5" (read once before the request), by which Box checks
// the file's bytes. The body is read from the local file while it is sent, so the file is never
// held in memory; the record's content buffer is not needed.
#pragma once

#include "BoxUploadRecords.h"
#include "StdString.h"
#include "VESKSyncBasicsLib.h"

namespace Box_20 {

// A new file in the record's parent folder; returns its id. Sets the record's multipart prefix
// and suffix. A file that cannot be read or does not hold the record's size fails before the
// request; Box's refusal throws ApiException with the Box error text (recorded as a sync issue on
// the record's map); the bare HRESULT E_ABORT when the informer asks to stop.
CStdStr<wchar_t> PerformStandardFileUpload(ILSShutdownInformer* informer, UploadFileRecord& record);

// A new version of the record's file; returns the file's id. As above.
CStdStr<wchar_t> PerformUploadFileVersion(ILSShutdownInformer* informer, UploadFileRecord& record);

} // namespace Box_20
