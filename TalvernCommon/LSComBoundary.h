// The one classifier of the exception in flight into the HRESULT its COM caller receives; code
// that must not log (registration runs before diagnostics are set up) calls it directly.
#pragma once

#include <windows.h>

// Call only inside a catch handler: hresult_exception, thrown HRESULTs and _com_error give their
// failure code (E_FAIL for a success code), std::bad_alloc E_OUTOFMEMORY, anything else E_FAIL.
HRESULT LSHResultOfCurrentException() noexcept;

// The calling thread's last Win32 error as an HRESULT; E_FAIL when the failing call set none.
HRESULT LSHResultOfLastError() noexcept;
