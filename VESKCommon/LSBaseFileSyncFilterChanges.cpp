// Which side changed a server item since the Outlook item was last brought up to date.
#include "LSBaseFileSyncFilter.h"

#include "LSDiag.h"

HRESULT STDMETHODCALLTYPE LSBaseFileSyncFilter::raw_HasChanges(unsigned short index, ILSPropertyMap*, long* changes)
{
    try {
        if (changes == nullptr)
            return E_POINTER;
        if (index >= m_itemNames.size())
            return E_INVALIDARG;
        return E_NOTIMPL;
    }
    LS_INTERFACE_CATCH_ALL("LSBaseFileSyncFilter::raw_HasChanges")
}
