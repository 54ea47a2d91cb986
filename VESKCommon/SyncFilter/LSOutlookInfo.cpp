#include "LSOutlookInfo.h"

#include "LSDiag.h"

#include <mutex>

namespace LSOutlookInfo {

void UpdateCachedProfileName(const CStdStr<wchar_t>& currentName)
{
    static std::mutex lock;
    static CStdStr<wchar_t> cachedName;
    const std::lock_guard<std::mutex> guard(lock);
    if (cachedName.empty()) {
        cachedName = currentName;
        if (!cachedName.empty())
            LS_DIAG_LOG(1) << "Cached profile name " << LSDiag::LogText(cachedName);
    }
    if (cachedName != currentName)
        LOG(ERROR) << "Cached profile name is different from current" << LSDiag::LogText(cachedName) << " -> cur "
                   << LSDiag::LogText(currentName);
}

} // namespace LSOutlookInfo
