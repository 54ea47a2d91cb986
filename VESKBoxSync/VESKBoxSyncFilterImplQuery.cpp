// Finding Box folders to add as repositories: by name, by folder id, and a folder's children.
#include "VESKBoxSyncFilterImpl.h"

#include "LSOutParams.h"

HRESULT STDMETHODCALLTYPE VESKBoxSyncFilterImpl::raw_SupportsQuery(VARIANT_BOOL* supported)
{
    return ClearOutParam(supported, VARIANT_FALSE) ? E_NOTIMPL : E_POINTER;
}

HRESULT STDMETHODCALLTYPE VESKBoxSyncFilterImpl::raw_GetScopeParameterPrompt(BSTR* prompt)
{
    return ClearOutParam(prompt, nullptr) ? E_NOTIMPL : E_POINTER;
}

HRESULT STDMETHODCALLTYPE VESKBoxSyncFilterImpl::raw_ResolveScopeParameter(BSTR, BSTR* resolved)
{
    return ClearOutParam(resolved, nullptr) ? E_NOTIMPL : E_POINTER;
}

HRESULT STDMETHODCALLTYPE VESKBoxSyncFilterImpl::raw_RunQuery(long, BSTR, BSTR, long, long, BSTR* results)
{
    return ClearOutParam(results, nullptr) ? E_NOTIMPL : E_POINTER;
}

HRESULT STDMETHODCALLTYPE VESKBoxSyncFilterImpl::raw_ResolveQueryResult(BSTR, BSTR* resolved)
{
    return ClearOutParam(resolved, nullptr) ? E_NOTIMPL : E_POINTER;
}

// A slot the host keeps for a method no Box filter serves.
HRESULT STDMETHODCALLTYPE VESKBoxSyncFilterImpl::raw_UnimplementedQueryMethod(long, long) { return E_NOTIMPL; }

HRESULT STDMETHODCALLTYPE VESKBoxSyncFilterImpl::raw_GetOnlineChildFolders(BSTR, long, BSTR* children)
{
    return ClearOutParam(children, nullptr) ? E_NOTIMPL : E_POINTER;
}
