// The deletion questions: which property keys an item, whether an item is gone from the server,
// and the list of the server's item ids.
#include "LSBaseFileSyncFilter.h"

#include "LSDiag.h"
#include "LSNamedProperties.h"
#include "LSOutParams.h"
#include "StringUtils.h"

HRESULT STDMETHODCALLTYPE LSBaseFileSyncFilter::raw_GetKeyPropertyTag(BSTR* propertyName)
{
    try {
        if (!ClearOutParam(propertyName, nullptr))
            return E_POINTER;
        *propertyName = StdStrToBstr(GetKeyPropertyName());
        return S_OK;
    }
    LS_INTERFACE_CATCH_ALL("LSBaseFileSyncFilter::raw_GetKeyPropertyTag")
}

// The host removes the Outlook item on S_OK, so every mode that does not ask answers S_FALSE.
HRESULT STDMETHODCALLTYPE LSBaseFileSyncFilter::raw_IsDeleted(BSTR itemId, long flag)
{
    try {
        bool ask = true;
        switch (m_listingMode) {
        case 3:
            ask = false;
            break;
        case 0:
            ask = flag != 0;
            break;
        case 1:
            ask = flag == 0;
            break;
        default:
            break;
        }
        return ask ? CheckForDeletedItems(CStdStr<wchar_t>(itemId), flag) : S_FALSE;
    }
    LS_INTERFACE_CATCH_ALL("LSBaseFileSyncFilter::raw_IsDeleted")
}

HRESULT STDMETHODCALLTYPE LSBaseFileSyncFilter::get_ServerItemCount(long, long* count)
{
    try {
        if (count == nullptr)
            return E_INVALIDARG;
        return LoadServerItems(count);
    }
    LS_INTERFACE_CATCH_ALL("LSBaseFileSyncFilter::get_ServerItemCount")
}

HRESULT STDMETHODCALLTYPE LSBaseFileSyncFilter::get_ServerItem(long index, BSTR* itemId)
{
    try {
        if (itemId == nullptr)
            return E_POINTER;
        *itemId = nullptr;
        if (index < 0)
            return E_INVALIDARG;
        CStdStr<wchar_t> id;
        const HRESULT hr = GetServerItemId(static_cast<unsigned long>(index), id);
        if (SUCCEEDED(hr))
            *itemId = StdStrToBstr(id);
        return hr;
    }
    LS_INTERFACE_CATCH_ALL("LSBaseFileSyncFilter::get_ServerItem")
}

HRESULT STDMETHODCALLTYPE LSBaseFileSyncFilter::get_ServerItemKey(BSTR* propertyName)
{
    try {
        if (!ClearOutParam(propertyName, nullptr))
            return E_POINTER;
        *propertyName = StdStrToBstr(static_cast<const wchar_t*>(LSNamedProperties::QuentraFromServerFileId));
        return S_OK;
    }
    LS_INTERFACE_CATCH_ALL("LSBaseFileSyncFilter::get_ServerItemKey")
}
