// Online questions about one document: changed on Box since the last sync, and a duplicate of its
// content already in the Box folder.
#include "VESKBoxSyncFilterImpl.h"

#include "LSDiag.h"
#include "LSOutParams.h"

HRESULT STDMETHODCALLTYPE VESKBoxSyncFilterImpl::raw_HasChangesOnline(ILSPropertyMap*, ILSPropertyMap*, long* changes,
                                                                      ILSShutdownInformer*, long)
{
    return ClearOutParam(changes, 0) ? E_NOTIMPL : E_POINTER;
}

HRESULT STDMETHODCALLTYPE VESKBoxSyncFilterImpl::raw_HasDuplicateOnline(long, ILSPropertyMap*, BSTR,
                                                                        BSTR* duplicateId, long* found,
                                                                        ILSShutdownInformer*)
{
    try {
        if (duplicateId == nullptr || found == nullptr)
            return E_POINTER;
        *duplicateId = nullptr;
        *found = 0;
        return E_NOTIMPL;
    }
    LS_INTERFACE_CATCH_ALL("VESKBoxSyncFilterImpl::raw_HasDuplicateOnline")
}
