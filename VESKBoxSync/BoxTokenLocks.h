// The two process-wide locks around the OAuth tokens. When both are held, BoxTokenRefreshMutex
// is always taken first.
#pragma once

#include <mutex>

namespace Box_20 {

// Guards the cached token pair; taken only by the token cache's read and store.
extern std::timed_mutex BoxTokenMutex;
// Held while one caller refreshes the tokens after a 401, so that only one refresh runs at once.
extern std::timed_mutex BoxTokenRefreshMutex;

} // namespace Box_20
