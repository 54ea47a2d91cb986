#include "BoxTokenLocks.h"

namespace Box_20 {

std::timed_mutex BoxTokenMutex;
std::timed_mutex BoxTokenRefreshMutex;
std::atomic<std::thread::id> BoxTokenRefreshOwner;

} // namespace Box_20
