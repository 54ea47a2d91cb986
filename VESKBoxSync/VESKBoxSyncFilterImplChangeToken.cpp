// The listing's change token: kept on the main folder between syncs, and whether it says that
// more items are waiting.
#include "VESKBoxSyncFilterImpl.h"

#include "ComDef.h"
#include "HResultException.h"

namespace {
const _bstr_t kChangeTokenProperty{L"ChangeToken"};
} // namespace

HRESULT VESKBoxSyncFilterImpl::StoreChangeToken(ILSPropertyMap* folderMap)
{
    if (folderMap == nullptr)
        return S_OK;
    const HRESULT hr = folderMap->put_ItemStr(kChangeTokenProperty, _bstr_t(m_changeToken.c_str()));
    if (FAILED(hr))
        _com_issue_error(hr);
    return S_OK;
}

bool VESKBoxSyncFilterImpl::HasChangeToken() const
{
    throw hresult_exception(E_NOTIMPL, "VESKBoxSyncFilterImpl::HasChangeToken is not available yet");
}

HRESULT STDMETHODCALLTYPE VESKBoxSyncFilterImpl::raw_ResetChangeCache()
{
    return E_NOTIMPL;
}
