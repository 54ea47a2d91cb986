// Deleting the remote file or folder behind an Outlook item.
#include "LSBaseFileSyncFilter.h"

#include "LSDiag.h"
#include "LSNamedProperties.h"
#include "LSOutParams.h"
#include "StringUtils.h"

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
