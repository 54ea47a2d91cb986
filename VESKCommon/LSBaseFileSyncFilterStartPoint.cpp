// Where the synchronised folder starts: given as text or as the Outlook folder's properties.
#include "LSBaseFileSyncFilter.h"

#include "HResultException.h"
#include "LSOutParams.h"

HRESULT STDMETHODCALLTYPE LSBaseFileSyncFilter::raw_SetSyncStartPointByString(BSTR, BSTR* errorText)
{
    return ClearOutParam(errorText, nullptr) ? E_NOTIMPL : E_POINTER;
}

HRESULT STDMETHODCALLTYPE LSBaseFileSyncFilter::raw_SetSyncStartPoint(ILSPropertyMap*, VARIANT_BOOL, VARIANT_BOOL,
                                                                      VARIANT_BOOL, long, VARIANT_BOOL)
{
    return E_NOTIMPL;
}

HRESULT LSBaseFileSyncFilter::GetStartPointFromHost(CStdStr<wchar_t>&) { return E_NOTIMPL; }

CStdStr<wchar_t> LSBaseFileSyncFilter::MakeValidRemoteName(const CStdStr<wchar_t>&)
{
    throw hresult_exception(E_NOTIMPL, "LSBaseFileSyncFilter::MakeValidRemoteName is not available yet");
}
