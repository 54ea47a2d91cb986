#include "LSBoxOnlineSearchPageResults.h"

LSBoxOnlineSearchPageResults::LSBoxOnlineSearchPageResults(VESKBoxSyncFilterImpl* owner) noexcept : m_owner(owner) {}
