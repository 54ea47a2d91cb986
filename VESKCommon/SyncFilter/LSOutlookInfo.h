// The Outlook profile the process works for: the first non-empty name any filter object reports.
#pragma once

#include "StdString.h"

namespace LSOutlookInfo {

// Caches the first non-empty name; a later different name is only logged.
void UpdateCachedProfileName(const CStdStr<wchar_t>& currentName);

} // namespace LSOutlookInfo
