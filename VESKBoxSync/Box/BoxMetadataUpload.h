// The metadata instances an upload leaves on its file: the e-mail properties of a mail file and
// the content fingerprint that the duplicate search looks for.
#pragma once

#include "BoxUploadRecords.h"
#include "StdString.h"
#include "VESKSyncBasicsLib.h"

namespace Box_20 {

// Posts the record's e-mail properties as the e-mail template instance of the record's file.
// Throws ApiException with Box's error text (recorded as a sync issue on the record's map).
void PerformEmailPropsUpload(const UploadFileRecord& record, ILSShutdownInformer* informer);

// Posts {"fingerprint": fingerprint} as the fingerprint template instance of the record's file.
// Throws as above, and ApiException "... Json response from Box is null" for a null reply.
void PerformFingerprintUpload(const UploadFileRecord& record, const CStdStr<wchar_t>& fingerprint,
                              ILSShutdownInformer* informer);

// The item's "VESK.DuplicateHash" as the file's fingerprint, when the record names a fingerprint
// template and the item has a hash; nothing otherwise. A null map with a template named throws
// the bare HRESULT E_INVALIDARG.
void PerformFingerprintUploadFromPropMap(ILSPropertyMap* propertyMap, const UploadFileRecord& record,
                                         ILSShutdownInformer* informer);

// The same after a new version: the file's fingerprint instance is patched, and posted when the
// file has none. Throws as PerformFingerprintUpload does.
void UpdateFingerprintFromPropMap(ILSPropertyMap* propertyMap, const UploadFileRecord& record,
                                  ILSShutdownInformer* informer);

} // namespace Box_20
