// The host's online results view over Box searches, and a result's content downloaded on request.
#include "VESKBoxSyncFilterImpl.h"

#include "LSDiag.h"
#include "LSOutParams.h"

HRESULT STDMETHODCALLTYPE VESKBoxSyncFilterImpl::raw_SetRootLocation(BSTR)
{
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE VESKBoxSyncFilterImpl::raw_SetSort(VARIANT_BOOL, long)
{
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE VESKBoxSyncFilterImpl::raw_SetSearchText(BSTR)
{
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE VESKBoxSyncFilterImpl::raw_SetRestrictSearchText(BSTR)
{
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE VESKBoxSyncFilterImpl::raw_SetQueryMatches(VARIANT, VARIANT)
{
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE VESKBoxSyncFilterImpl::raw_GetOnlineResultsSize(long* count)
{
    return ClearOutParam(count, 0) ? E_NOTIMPL : E_POINTER;
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
    return ClearOutParam(previewUrl, nullptr) ? E_NOTIMPL : E_POINTER;
}

HRESULT STDMETHODCALLTYPE VESKBoxSyncFilterImpl::raw_DownloadFileContents(BSTR, BSTR)
{
    return E_NOTIMPL;
}
