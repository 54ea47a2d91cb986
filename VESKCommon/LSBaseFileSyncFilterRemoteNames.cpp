// What ties an Outlook item or folder to its remote counterpart: folder rename and creation, and
// the remote name stored on an item.
#include "LSBaseFileSyncFilter.h"

#include "LSOutParams.h"

HRESULT STDMETHODCALLTYPE LSBaseFileSyncFilter::raw_UpdateFolder(long, ILSPropertyMap*, ILSPropertyMap*,
                                                                 VARIANT_BOOL* renamed)
{
    return ClearOutParam(renamed, VARIANT_FALSE) ? E_NOTIMPL : E_POINTER;
}

HRESULT STDMETHODCALLTYPE LSBaseFileSyncFilter::raw_CreateFolder(long, ILSPropertyMap*, ILSPropertyMap*)
{
    return E_NOTIMPL;
}

HRESULT LSBaseFileSyncFilter::GetStoredRemoteFileName(CStdStr<wchar_t>&, ILSPropertyMap*, CStdStr<wchar_t>&)
{
    return E_NOTIMPL;
}
