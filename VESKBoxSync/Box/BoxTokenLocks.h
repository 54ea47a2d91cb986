// The two process-wide locks around the OAuth tokens. When both are held, BoxTokenRefreshLock is
// always taken first.
#pragma once

#include "LSCancellableWait.h"

#include <mutex>

namespace Box_20 {

// The text of the hresult_exception E_FAIL thrown when the tokens cannot be had now.
inline constexpr char kTokensBlockedText[] = "Blocked from accessing Box tokens, perhaps from another auth dialog";

// Guards the cached token pair; taken only by the token cache's read and store, never across a request.
extern std::timed_mutex BoxTokenMutex;
// Held while one caller refreshes the tokens after a 401, so that only one refresh runs at once.
extern LSRequestLock BoxTokenRefreshLock;

} // namespace Box_20
