// What ties an Outlook item or folder to its remote counterpart: folder rename and creation, and
// the remote name stored on an item.
#include "LSBaseFileSyncFilter.h"

#include "LSOutParams.h"

HRESULT LSBaseFileSyncFilter::GetStoredRemoteFileName(CStdStr<wchar_t>&, ILSPropertyMap*, CStdStr<wchar_t>&)
{
    return E_NOTIMPL;
}
