// Check-out through Box locks. An expired lock no longer holds a file and counts as none.
// A failed request throws its LSHttpError (a file locked by another user answers 403); a reply
// that contradicts the request throws ApiException.
#pragma once

#include "VESKSyncBasicsLib.h"

#include <string>

namespace Box_20 {

// Locks the file; throws ApiException when Box's reply shows no lock.
void CheckoutFile(const std::wstring& fileId, ILSShutdownInformer* informer);
// Removes the file's lock ({"lock":null}); throws ApiException when the reply still shows one.
void CancelCheckoutFile(const std::wstring& fileId, ILSShutdownInformer* informer);
// True when the file has a lock that has not expired.
bool IsFileCheckedOut(const std::wstring& fileId, ILSShutdownInformer* informer);

} // namespace Box_20
