// The module this code is linked into, as the rest of the system needs to know it.
#pragma once

#include "StdString.h"

#include <windows.h>

// The process-wide module instance: the process's own module until DllMain stores the DLL's
// instance in it.
HINSTANCE& GetModuleInstanceHandle();

// The folder, without a trailing backslash, of the module that holds this code: the DLL in the
// product, the program in a statically linked test. Unlike GetModuleInstanceHandle() it is right
// even before DllMain has stored the instance.
CStdStr<wchar_t> GetThisModuleFolder();

// The full path of the module's file; empty when it cannot be read.
CStdStr<wchar_t> GetModulePath(HMODULE module);

// The folder of the given module's file; empty when its path cannot be read.
CStdStr<wchar_t> GetModuleFolder(HMODULE module);
