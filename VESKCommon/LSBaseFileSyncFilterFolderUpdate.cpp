// One folder's sync pass: listing before it, the change token after it, and the sub-folders found.
#include "LSBaseFileSyncFilter.h"

#include "ComOwners.h"
#include "LSDiag.h"
#include "StringUtils.h"

HRESULT STDMETHODCALLTYPE LSBaseFileSyncFilter::raw_PostContentSyncFolderUpdate(ILSPropertyMap* folderMap)
{
    try {
        return StoreChangeToken(folderMap);
    }
    LS_INTERFACE_CATCH_ALL("LSBaseFileSyncFilter::raw_PostContentSyncFolderUpdate")
}

HRESULT STDMETHODCALLTYPE LSBaseFileSyncFilter::raw_PreContentSyncFolderUpdate(ILSPropertyMap*, VARIANT_BOOL,
                                                                               VARIANT_BOOL)
{
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE LSBaseFileSyncFilter::GetSubFolderCount(unsigned short* count)
{
    if (count == nullptr)
        return E_POINTER;
    *count = static_cast<unsigned short>(m_subFolderNames.size());
    return S_OK;
}

HRESULT STDMETHODCALLTYPE LSBaseFileSyncFilter::raw_GetSubFolderBasicProps(unsigned short index, ILSPropertyMap*)
{
    try {
        if (index >= m_subFolderNames.size())
            return E_INVALIDARG;
        return E_NOTIMPL;
    }
    LS_INTERFACE_CATCH_ALL("LSBaseFileSyncFilter::raw_GetSubFolderBasicProps")
}

HRESULT STDMETHODCALLTYPE LSBaseFileSyncFilter::raw_SetSubFolderProperties(unsigned short index, ILSPropertyMap*)
{
    try {
        if (index >= m_subFolderNames.size())
            return E_INVALIDARG;
        return E_NOTIMPL;
    }
    LS_INTERFACE_CATCH_ALL("LSBaseFileSyncFilter::raw_SetSubFolderProperties")
}

HRESULT STDMETHODCALLTYPE LSBaseFileSyncFilter::raw_GetFilterNames(BSTR* first, BSTR* second)
{
    try {
        if (first == nullptr || second == nullptr)
            return E_POINTER;
        *first = nullptr;
        *second = nullptr;
        const CStdStr<wchar_t> name = GetRepositoryName();
        TalvernCommon::unique_bstr firstName(StdStrToBstr(name));
        *second = StdStrToBstr(name);
        *first = firstName.release();
        return S_OK;
    }
    LS_INTERFACE_CATCH_ALL("LSBaseFileSyncFilter::raw_GetFilterNames")
}

HRESULT STDMETHODCALLTYPE LSBaseFileSyncFilter::raw_HasMoreItemsAvailable(long* more)
{
    try {
        if (more == nullptr)
            return E_POINTER;
        // The host expects 1 here, not VARIANT_TRUE.
        *more = HasChangeToken() ? 1 : 0;
        return S_OK;
    }
    LS_INTERFACE_CATCH_ALL("LSBaseFileSyncFilter::raw_HasMoreItemsAvailable")
}

HRESULT STDMETHODCALLTYPE LSBaseFileSyncFilter::raw_ResetChangeCache() { return S_OK; }
