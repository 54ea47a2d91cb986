// Items gone from the server: which property keys an item, the deletion check, deleting the
// remote file or folder behind an Outlook item, and the list of server item ids.
#include "LSBaseFileSyncFilter.h"

#include "LSDiag.h"
#include "LSNamedProperties.h"
#include "LSOutParams.h"
#include "StringUtils.h"

HRESULT STDMETHODCALLTYPE LSBaseFileSyncFilter::raw_GetKeyPropertyTag(BSTR* propertyName)
{
    try {
        if (propertyName == nullptr)
            return E_POINTER;
        *propertyName = StdStrToBstr(GetKeyPropertyName());
        return S_OK;
    }
    LS_INTERFACE_CATCH_ALL("LSBaseFileSyncFilter::raw_GetKeyPropertyTag")
}

HRESULT STDMETHODCALLTYPE LSBaseFileSyncFilter::raw_IsDeleted(BSTR, long)
{
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE LSBaseFileSyncFilter::GetDeleteFlag(VARIANT_BOOL* flag)
{
    if (flag == nullptr)
        return E_POINTER;
    *flag = VARIANT_FALSE;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE LSBaseFileSyncFilter::DeleteItemAlternate(long, long) { return E_FAIL; }

HRESULT STDMETHODCALLTYPE LSBaseFileSyncFilter::DeleteItemByLocation(ILSPropertyMap*, BSTR* errorText)
{
    return ClearOutParam(errorText, nullptr) ? E_NOTIMPL : E_POINTER;
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
        if (propertyName == nullptr)
            return E_POINTER;
        *propertyName = StdStrToBstr(static_cast<const wchar_t*>(LSNamedProperties::QuentraFromServerFileId));
        return S_OK;
    }
    LS_INTERFACE_CATCH_ALL("LSBaseFileSyncFilter::get_ServerItemKey")
}
