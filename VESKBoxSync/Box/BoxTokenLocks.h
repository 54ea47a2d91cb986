// The two process-wide locks around the OAuth tokens. When both are held, BoxTokenRefreshMutex
// is always taken first.
#pragma once

#include <atomic>
#include <mutex>
#include <thread>

namespace Box_20 {

// The text of the hresult_exception E_FAIL thrown when the tokens cannot be had now.
inline constexpr char kTokensBlockedText[] = "Blocked from accessing Box tokens, perhaps from another auth dialog";

// Guards the cached token pair; taken only by the token cache's read and store.
extern std::timed_mutex BoxTokenMutex;
// Held while one caller refreshes the tokens after a 401, so that only one refresh runs at once.
extern std::timed_mutex BoxTokenRefreshMutex;
// The thread that holds BoxTokenRefreshMutex. A refresh dispatches the thread's window messages
// while it waits, and a handler may meet a 401 of its own: it must not wait for its own thread.
extern std::atomic<std::thread::id> BoxTokenRefreshOwner;

} // namespace Box_20
