// The server items of the listed folder and their basic properties.
#include "LSBaseFileSyncFilter.h"

#include "LSDiag.h"

HRESULT STDMETHODCALLTYPE LSBaseFileSyncFilter::GetServerItemNameCount(unsigned short* count)
{
    if (count == nullptr)
        return E_POINTER;
    *count = static_cast<unsigned short>(m_itemNames.size());
    return S_OK;
}

HRESULT STDMETHODCALLTYPE LSBaseFileSyncFilter::raw_GetItemBasicProps(unsigned short index, ILSPropertyMap*)
{
    try {
        // A start point given as text describes the start folder whatever the index.
        if (!m_startedByText && index >= m_itemNames.size())
            return E_INVALIDARG;
        return E_NOTIMPL;
    }
    LS_INTERFACE_CATCH_ALL("LSBaseFileSyncFilter::raw_GetItemBasicProps")
}
