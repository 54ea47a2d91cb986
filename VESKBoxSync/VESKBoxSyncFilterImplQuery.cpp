// Finding Box folders to add as repositories: by name, by folder id, and a folder's children.
#include "VESKBoxSyncFilterImpl.h"

#include "LSDiag.h"

HRESULT STDMETHODCALLTYPE VESKBoxSyncFilterImpl::raw_SupportsQuery(VARIANT_BOOL* supported)
{
    try {
        if (supported == nullptr)
            return E_POINTER;
        *supported = VARIANT_FALSE;
        return E_NOTIMPL;
    }
    LS_INTERFACE_CATCH_ALL("VESKBoxSyncFilterImpl::raw_SupportsQuery")
}

HRESULT STDMETHODCALLTYPE VESKBoxSyncFilterImpl::raw_GetScopeParameterPrompt(BSTR* prompt)
{
    try {
        if (prompt == nullptr)
            return E_POINTER;
        *prompt = nullptr;
        return E_NOTIMPL;
    }
    LS_INTERFACE_CATCH_ALL("VESKBoxSyncFilterImpl::raw_GetScopeParameterPrompt")
}

HRESULT STDMETHODCALLTYPE VESKBoxSyncFilterImpl::raw_ResolveScopeParameter(BSTR, BSTR* resolved)
{
    try {
        if (resolved == nullptr)
            return E_POINTER;
        *resolved = nullptr;
        return E_NOTIMPL;
    }
    LS_INTERFACE_CATCH_ALL("VESKBoxSyncFilterImpl::raw_ResolveScopeParameter")
}

HRESULT STDMETHODCALLTYPE VESKBoxSyncFilterImpl::raw_RunQuery(long, BSTR, BSTR, long, long, BSTR* results)
{
    try {
        if (results == nullptr)
            return E_POINTER;
        *results = nullptr;
        return E_NOTIMPL;
    }
    LS_INTERFACE_CATCH_ALL("VESKBoxSyncFilterImpl::raw_RunQuery")
}

HRESULT STDMETHODCALLTYPE VESKBoxSyncFilterImpl::raw_ResolveQueryResult(BSTR, BSTR* resolved)
{
    try {
        if (resolved == nullptr)
            return E_POINTER;
        *resolved = nullptr;
        return E_NOTIMPL;
    }
    LS_INTERFACE_CATCH_ALL("VESKBoxSyncFilterImpl::raw_ResolveQueryResult")
}

// A slot the host keeps for a method no Box filter serves.
HRESULT STDMETHODCALLTYPE VESKBoxSyncFilterImpl::raw_UnimplementedQueryMethod(long, long) { return E_NOTIMPL; }

HRESULT STDMETHODCALLTYPE VESKBoxSyncFilterImpl::raw_GetOnlineChildFolders(BSTR, long, BSTR* children)
{
    try {
        if (children == nullptr)
            return E_POINTER;
        *children = nullptr;
        return E_NOTIMPL;
    }
    LS_INTERFACE_CATCH_ALL("VESKBoxSyncFilterImpl::raw_GetOnlineChildFolders")
}
