// The host's extensions callback: kept for the filter's lifetime and handed back on request.
#include "VESKBoxSyncFilterImpl.h"

HRESULT STDMETHODCALLTYPE VESKBoxSyncFilterImpl::get_ExtensionsCallback(IUnknown** callback)
{
    // A host that gives no place for the answer asks nothing: that is no error.
    if (callback == nullptr)
        return S_OK;
    return m_extensionsCallback.copy_to(callback);
}

HRESULT STDMETHODCALLTYPE VESKBoxSyncFilterImpl::put_ExtensionsCallback(IUnknown* callback)
{
    // com_ptr adds the new reference before it releases the old one, so putting the kept object
    // again leaves exactly one reference held.
    m_extensionsCallback = TalvernCommon::com_ptr<IUnknown>(callback);
    return S_OK;
}
