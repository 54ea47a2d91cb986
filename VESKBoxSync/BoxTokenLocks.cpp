#include "BoxTokenLocks.h"

namespace Box_20 {

std::timed_mutex BoxTokenMutex;
std::timed_mutex BoxTokenRefreshMutex;

} // namespace Box_20
