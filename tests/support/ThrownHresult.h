// The failure a call reports by throwing.
#pragma once

#include "HResultException.h"

#include <windows.h>

namespace TestSupport {

// The HRESULT the call throws, as hresult_exception or bare; S_OK when it throws neither. Any other
// exception goes on to the test, which then fails.
template <typename Call>
HRESULT ThrownHresult(Call call)
{
    try {
        call();
    } catch (const hresult_exception& error) {
        return error.hr();
    } catch (HRESULT hr) {
        return hr;
    }
    return S_OK;
}

} // namespace TestSupport
