// The system's user-agent string, which requests present as theirs.
#pragma once

#include "StdString.h"

// Empty when the system does not say; read once per process.
const CStdStr<wchar_t>& SystemUserAgent();
