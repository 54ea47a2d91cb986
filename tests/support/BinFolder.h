// The folder of the test program: build/bin, where the product DLL and the host's stand-in DLLs are.
#pragma once

#include "LSModule.h"

#include <windows.h>

#include <string>

namespace TestSupport {

inline std::wstring BinFolder() { return GetModuleFolder(::GetModuleHandleW(nullptr)); }

} // namespace TestSupport
