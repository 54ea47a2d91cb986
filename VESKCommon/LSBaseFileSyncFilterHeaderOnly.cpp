// Items of which only the header is synchronised at first: fetching one item's content or
// properties on demand, and the temporary path under which such an item is announced.
#include "LSBaseFileSyncFilter.h"

#include "HResultException.h"
#include "LSDiag.h"

HRESULT STDMETHODCALLTYPE LSBaseFileSyncFilter::raw_RetrieveIndividualItemToPath(ILSPropertyMap*, BSTR,
                                                                                 BSTR* fileName, VARIANT_BOOL,
                                                                                 BSTR)
{
    try {
        // The host may pass no file-name pointer.
        if (fileName != nullptr)
            *fileName = nullptr;
        return E_NOTIMPL;
    }
    LS_INTERFACE_CATCH_ALL("LSBaseFileSyncFilter::raw_RetrieveIndividualItemToPath")
}

HRESULT STDMETHODCALLTYPE LSBaseFileSyncFilter::SetHeaderOnlyFlag(long, long)
{
    m_headerOnly = true;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE LSBaseFileSyncFilter::NotifyHeaderOnly() { return S_OK; }

HRESULT STDMETHODCALLTYPE LSBaseFileSyncFilter::raw_RetrieveIndividualItemToPathProperties(ILSPropertyMap*)
{
    return E_NOTIMPL;
}

HRESULT LSBaseFileSyncFilter::RetrieveIndividualItemToPathInternal(ILSPropertyMap*, const wchar_t*, BSTR*, bool,
                                                                   const CStdStr<wchar_t>&)
{
    return E_NOTIMPL;
}

CStdStr<wchar_t> LSBaseFileSyncFilter::MakeIndividualItemTempPath(const CStdStr<wchar_t>&, int)
{
    throw hresult_exception(E_NOTIMPL, "LSBaseFileSyncFilter::MakeIndividualItemTempPath is not available yet");
}
