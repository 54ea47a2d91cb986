// The listing's change token: kept on the main folder between syncs, and whether it says that
// more items are waiting.
#include "VESKBoxSyncFilterImpl.h"

#include "ComDef.h"
#include "LSDiag.h"

namespace {
const _bstr_t kChangeTokenProperty{L"ChangeToken"};
constexpr wchar_t kCompleteTokenEnd[] = L";;;";
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

// A token that does not end in ";;;" says that the listing left items to fetch.
bool VESKBoxSyncFilterImpl::HasChangeToken() const
{
    return !m_changeToken.empty() && !m_changeToken.EndsWith(kCompleteTokenEnd);
}

HRESULT STDMETHODCALLTYPE VESKBoxSyncFilterImpl::raw_ResetChangeCache()
{
    try {
        m_changeToken.clear();
        if (!m_mainFolderMap)
            _com_issue_error(E_POINTER);
        const HRESULT hr = m_mainFolderMap->put_ItemStr(kChangeTokenProperty, _bstr_t(L""));
        if (FAILED(hr))
            _com_issue_error(hr);
        return S_OK;
    }
    LS_INTERFACE_CATCH_ALL("VESKBoxSyncFilterImpl::raw_ResetChangeCache")
}
