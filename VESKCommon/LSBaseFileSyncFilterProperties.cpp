// The filter's knowledge written into Outlook: the main folder's and each item's properties.
#include "LSBaseFileSyncFilter.h"

#include "LSDiag.h"

HRESULT STDMETHODCALLTYPE LSBaseFileSyncFilter::raw_SetMainFolderProperties(ILSPropertyMap*)
{
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE LSBaseFileSyncFilter::raw_SetItemProperties(unsigned short index, ILSPropertyMap*, long)
{
    try {
        // A start point given as text makes the item stand for the start folder.
        if (!m_startedByText && index >= m_itemNames.size())
            return E_INVALIDARG;
        return E_NOTIMPL;
    }
    LS_INTERFACE_CATCH_ALL("LSBaseFileSyncFilter::raw_SetItemProperties")
}
