// Where the synchronised folder starts: given as text or as the Outlook folder's properties.
#include "LSBaseFileSyncFilter.h"

#include "HResultException.h"
#include "LSDiag.h"

HRESULT STDMETHODCALLTYPE LSBaseFileSyncFilter::raw_SetSyncStartPointByString(BSTR, BSTR* errorText)
{
    try {
        if (errorText == nullptr)
            return E_POINTER;
        *errorText = nullptr;
        return E_NOTIMPL;
    }
    LS_INTERFACE_CATCH_ALL("LSBaseFileSyncFilter::raw_SetSyncStartPointByString")
}

HRESULT STDMETHODCALLTYPE LSBaseFileSyncFilter::raw_SetSyncStartPoint(ILSPropertyMap*, VARIANT_BOOL, VARIANT_BOOL,
                                                                      VARIANT_BOOL, long, VARIANT_BOOL)
{
    try {
        return E_NOTIMPL;
    }
    LS_INTERFACE_CATCH_ALL("LSBaseFileSyncFilter::raw_SetSyncStartPoint")
}

HRESULT LSBaseFileSyncFilter::GetStartPointFromHost(CStdStr<wchar_t>&) { return E_NOTIMPL; }

CStdStr<wchar_t> LSBaseFileSyncFilter::MakeValidRemoteName(const CStdStr<wchar_t>&)
{
    throw hresult_exception(E_NOTIMPL, "LSBaseFileSyncFilter::MakeValidRemoteName is not available yet");
}
