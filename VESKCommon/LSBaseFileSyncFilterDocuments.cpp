// New and changed documents going up to the repository.
#include "LSBaseFileSyncFilter.h"


HRESULT STDMETHODCALLTYPE LSBaseFileSyncFilter::raw_AddNewDocument(BSTR, BSTR, long, ILSPropertyMap*)
{
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE LSBaseFileSyncFilter::raw_UpdateDocument(BSTR, BSTR, long, ILSPropertyMap*)
{
    return E_NOTIMPL;
}

HRESULT LSBaseFileSyncFilter::AddOrUpdateDocument(bool, const wchar_t*, const wchar_t*, ILSPropertyMap*)
{
    return E_NOTIMPL;
}
