#include "LSComBoundary.h"

#include "ComDef.h"
#include "HResultException.h"

#include <new>

namespace {

// A thrown success code must not reach the caller as success.
HRESULT FailureOrEFail(HRESULT hr) { return FAILED(hr) ? hr : E_FAIL; }

} // namespace

HRESULT LSHResultOfCurrentException() noexcept
{
    try {
        throw;
    } catch (const hresult_exception& e) {
        return FailureOrEFail(e.hr());
    } catch (HRESULT hr) {
        return FailureOrEFail(hr);
    } catch (const _com_error& e) {
        return FailureOrEFail(e.Error());
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_FAIL;
    }
}

HRESULT LSHResultOfLastError() noexcept
{
    const DWORD error = ::GetLastError();
    return error != ERROR_SUCCESS ? HRESULT_FROM_WIN32(error) : E_FAIL;
}
