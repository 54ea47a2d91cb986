// The host's online results view over Box searches, and a result's content downloaded on request.
#include "VESKBoxSyncFilterImpl.h"

#include "LSDiag.h"

HRESULT STDMETHODCALLTYPE VESKBoxSyncFilterImpl::raw_SetRootLocation(BSTR)
{
    try {
        return E_NOTIMPL;
    }
    LS_INTERFACE_CATCH_ALL("VESKBoxSyncFilterImpl::raw_SetRootLocation")
}

HRESULT STDMETHODCALLTYPE VESKBoxSyncFilterImpl::raw_SetSort(VARIANT_BOOL, long)
{
    try {
        return E_NOTIMPL;
    }
    LS_INTERFACE_CATCH_ALL("VESKBoxSyncFilterImpl::raw_SetSort")
}

HRESULT STDMETHODCALLTYPE VESKBoxSyncFilterImpl::raw_SetSearchText(BSTR)
{
    try {
        return E_NOTIMPL;
    }
    LS_INTERFACE_CATCH_ALL("VESKBoxSyncFilterImpl::raw_SetSearchText")
}

HRESULT STDMETHODCALLTYPE VESKBoxSyncFilterImpl::raw_SetRestrictSearchText(BSTR)
{
    try {
        return E_NOTIMPL;
    }
    LS_INTERFACE_CATCH_ALL("VESKBoxSyncFilterImpl::raw_SetRestrictSearchText")
}

HRESULT STDMETHODCALLTYPE VESKBoxSyncFilterImpl::raw_SetQueryMatches(VARIANT, VARIANT)
{
    try {
        return E_NOTIMPL;
    }
    LS_INTERFACE_CATCH_ALL("VESKBoxSyncFilterImpl::raw_SetQueryMatches")
}

HRESULT STDMETHODCALLTYPE VESKBoxSyncFilterImpl::raw_GetOnlineResultsSize(long* count)
{
    try {
        if (count == nullptr)
            return E_POINTER;
        *count = 0;
        return E_NOTIMPL;
    }
    LS_INTERFACE_CATCH_ALL("VESKBoxSyncFilterImpl::raw_GetOnlineResultsSize")
}

HRESULT STDMETHODCALLTYPE VESKBoxSyncFilterImpl::raw_GetOnlinePage(long, long, VARIANT* page)
{
    try {
        if (page == nullptr)
            return E_POINTER;
        ::VariantInit(page);
        return E_NOTIMPL;
    }
    LS_INTERFACE_CATCH_ALL("VESKBoxSyncFilterImpl::raw_GetOnlinePage")
}

HRESULT STDMETHODCALLTYPE VESKBoxSyncFilterImpl::raw_GetResultInfo(VARIANT, BSTR* fileUrl, BSTR* folderUrl,
                                                                   VARIANT_BOOL* isMessage, BSTR* fileName,
                                                                   BSTR* filterText, long* fileSize)
{
    try {
        if (fileUrl == nullptr || folderUrl == nullptr || isMessage == nullptr || fileName == nullptr ||
            filterText == nullptr || fileSize == nullptr)
            return E_POINTER;
        *fileUrl = *folderUrl = *fileName = *filterText = nullptr;
        *isMessage = VARIANT_FALSE;
        *fileSize = 0;
        return E_NOTIMPL;
    }
    LS_INTERFACE_CATCH_ALL("VESKBoxSyncFilterImpl::raw_GetResultInfo")
}

HRESULT STDMETHODCALLTYPE VESKBoxSyncFilterImpl::raw_GetPreviewUrl(VARIANT, BSTR* previewUrl)
{
    try {
        if (previewUrl == nullptr)
            return E_POINTER;
        *previewUrl = nullptr;
        return E_NOTIMPL;
    }
    LS_INTERFACE_CATCH_ALL("VESKBoxSyncFilterImpl::raw_GetPreviewUrl")
}

HRESULT STDMETHODCALLTYPE VESKBoxSyncFilterImpl::raw_DownloadFileContents(BSTR, BSTR)
{
    try {
        return E_NOTIMPL;
    }
    LS_INTERFACE_CATCH_ALL("VESKBoxSyncFilterImpl::raw_DownloadFileContents")
}
