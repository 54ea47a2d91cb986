// Registration of the type library a module carries as its TYPELIB resource 1.
#pragma once

#include <windows.h>

namespace LSTypeLibRegistration {

// perUser: under the current user's classes. (Wine writes machine-wide either way.)
HRESULT Register(HMODULE module, bool perUser) noexcept;
// A library that is not registered needs no removal: S_OK.
HRESULT Unregister(HMODULE module, bool perUser) noexcept;

} // namespace LSTypeLibRegistration
