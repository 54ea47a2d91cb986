#include "BoxTokenLocks.h"

namespace Box_20 {

std::timed_mutex BoxTokenMutex;
LSRequestLock BoxTokenRefreshLock;

} // namespace Box_20
