// The host add-in and this module must come from the same release.
#pragma once

#include <windows.h>

namespace LSFileSystem {

// True when major, minor and build of the file version of module equal those of the host's
// "VESK32.dll": the copy loaded in this process, else the one in module's folder, else the one
// the system's search path finds. False, logged at ERROR, when they differ or either version
// cannot be read.
bool CheckHostVersion(HINSTANCE module);

} // namespace LSFileSystem
