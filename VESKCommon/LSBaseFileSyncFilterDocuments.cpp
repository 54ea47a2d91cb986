// New and changed documents going up to the repository.
#include "LSBaseFileSyncFilter.h"

#include "LSDiag.h"

HRESULT STDMETHODCALLTYPE LSBaseFileSyncFilter::raw_AddNewDocument(BSTR, BSTR, long, ILSPropertyMap*)
{
    try {
        return E_NOTIMPL;
    }
    LS_INTERFACE_CATCH_ALL("LSBaseFileSyncFilter::raw_AddNewDocument")
}

HRESULT STDMETHODCALLTYPE LSBaseFileSyncFilter::raw_UpdateDocument(BSTR, BSTR, long, ILSPropertyMap*)
{
    try {
        return E_NOTIMPL;
    }
    LS_INTERFACE_CATCH_ALL("LSBaseFileSyncFilter::raw_UpdateDocument")
}

HRESULT LSBaseFileSyncFilter::AddOrUpdateDocument(bool, const wchar_t*, const wchar_t*, ILSPropertyMap*)
{
    return E_NOTIMPL;
}
