// Box's preflight of an upload: whether Box would take the file (its name, folder and size)
// before any byte of it is sent.
#pragma once

#include "BoxUploadRecords.h"
#include "StdString.h"
#include "VESKSyncBasicsLib.h"

namespace Box_20 {

// True when Box would take the record's file as a new file in its parent folder; the address is
// the preflight service's. False only when Box refuses it (a client error with Box's error body:
// a name in use, no space left, ...): the reason is then recorded as a sync issue on the item's
// map. Every other failure is thrown, as an upload's would be: ApiException with Box's error
// text or the HTTP error's (a throttled or failing server after the call loop's retries, a
// refused token refresh, a reply that is no Box reply); a local file that cannot be read or does
// not hold the record's size, before any request; the bare HRESULT E_ABORT when the informer
// asks to stop.
bool Preflight(ILSPropertyMap* propertyMap, const UploadFileRecord& record, ILSShutdownInformer* informer,
               const CStdStr<wchar_t>& preflightUrl);

// The same for a new version of the record's file.
bool PreflightFileVersion(ILSPropertyMap* propertyMap, const UploadFileRecord& record, ILSShutdownInformer* informer);

} // namespace Box_20
