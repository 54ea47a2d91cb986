// The failure a call reports by throwing.
#pragma once

#include "HResultException.h"

#include <windows.h>

namespace TestSupport {

// The HRESULT of the hresult_exception the call throws; S_OK when it throws none. Any other
// exception goes on to the test, which then fails.
template <typename Call>
HRESULT ThrownHresult(Call call)
{
    try {
        call();
    } catch (const hresult_exception& error) {
        return error.hr();
    }
    return S_OK;
}

} // namespace TestSupport
