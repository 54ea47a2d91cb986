// Uploads of new files and new versions: one multipart request below 52,428,800 bytes, an upload
// session from that size on, then the metadata instances of a new file.
#pragma once

#include "BoxUploadRecords.h"
#include "StdString.h"
#include "VESKSyncBasicsLib.h"

#include <cstdint>

namespace Box_20 {

// Files of this size and more go up through an upload session.
inline constexpr uint64_t kChunkedUploadThreshold = 52428800;

// Uploads the record's file as a new file in its parent folder and returns the new id, which it
// also puts into the record's file id. Then it posts the record's e-mail properties, when set,
// and the item's fingerprint, when the record names a fingerprint template. The content being
// stored, a failure of those later steps throws MultiphaseException carrying the new id. Other
// failures: ApiException with Box's error text, the bare HRESULT E_ABORT when the informer asks
// to stop. A local file that cannot be read whole fails before any request.
CStdStr<wchar_t> UploadFile(ILSShutdownInformer* informer, UploadFileRecord& record);

// Uploads the record's file as a new version of the record's file id and returns the file's id.
// Then it sets the item's fingerprint on the file, when the record names a fingerprint template.
// Failures as above.
CStdStr<wchar_t> UploadFileVersion(ILSShutdownInformer* informer, UploadFileRecord& record);

} // namespace Box_20
