// Server items brought down to local paths.
#include "LSBaseFileSyncFilter.h"

#include "LSDiag.h"

HRESULT STDMETHODCALLTYPE LSBaseFileSyncFilter::raw_RetrieveItemToPath(unsigned short index, BSTR, BSTR* fileName,
                                                                       ILSPropertyMap*, VARIANT_BOOL, BSTR)
{
    try {
        if (index >= m_itemNames.size())
            return E_INVALIDARG;
        // The host may pass no file-name pointer.
        if (fileName != nullptr)
            *fileName = nullptr;
        return E_NOTIMPL;
    }
    LS_INTERFACE_CATCH_ALL("LSBaseFileSyncFilter::raw_RetrieveItemToPath")
}
