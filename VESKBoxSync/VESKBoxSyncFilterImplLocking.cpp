// Check-out and cancelled check-out of Outlook documents through Box locks.
#include "VESKBoxSyncFilterImpl.h"

#include "LSDiag.h"

HRESULT STDMETHODCALLTYPE VESKBoxSyncFilterImpl::raw_Checkout(ILSPropertyMap*)
{
    return E_NOTIMPL;
}

// A slot the host keeps for a method no Box filter serves.
HRESULT STDMETHODCALLTYPE VESKBoxSyncFilterImpl::raw_UnimplementedLockingMethod(long) { return E_NOTIMPL; }

HRESULT STDMETHODCALLTYPE VESKBoxSyncFilterImpl::raw_IsCheckedOut(ILSPropertyMap*, unsigned char* checkedOut)
{
    try {
        if (checkedOut == nullptr)
            return E_POINTER;
        return E_NOTIMPL;
    }
    LS_INTERFACE_CATCH_ALL("VESKBoxSyncFilterImpl::raw_IsCheckedOut")
}

HRESULT STDMETHODCALLTYPE VESKBoxSyncFilterImpl::raw_CancelCheckout(ILSPropertyMap*)
{
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE VESKBoxSyncFilterImpl::get_IsCheckedOut(ILSPropertyMap*, long* lockState)
{
    try {
        if (lockState == nullptr)
            return E_POINTER;
        return E_NOTIMPL;
    }
    LS_INTERFACE_CATCH_ALL("VESKBoxSyncFilterImpl::get_IsCheckedOut")
}
