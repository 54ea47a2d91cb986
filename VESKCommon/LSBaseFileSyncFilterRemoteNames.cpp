// What ties an Outlook item or folder to its remote counterpart: folder rename and creation, and
// the remote name stored on an item.
#include "LSBaseFileSyncFilter.h"

#include "LSDiag.h"

HRESULT STDMETHODCALLTYPE LSBaseFileSyncFilter::raw_UpdateFolder(long, ILSPropertyMap*, ILSPropertyMap*,
                                                                 VARIANT_BOOL* renamed)
{
    try {
        if (renamed == nullptr)
            return E_POINTER;
        *renamed = VARIANT_FALSE;
        return E_NOTIMPL;
    }
    LS_INTERFACE_CATCH_ALL("LSBaseFileSyncFilter::raw_UpdateFolder")
}

HRESULT STDMETHODCALLTYPE LSBaseFileSyncFilter::raw_CreateFolder(long, ILSPropertyMap*, ILSPropertyMap*)
{
    try {
        return E_NOTIMPL;
    }
    LS_INTERFACE_CATCH_ALL("LSBaseFileSyncFilter::raw_CreateFolder")
}

HRESULT LSBaseFileSyncFilter::GetStoredRemoteFileName(CStdStr<wchar_t>&, ILSPropertyMap*, CStdStr<wchar_t>&)
{
    return E_NOTIMPL;
}
