// IDispatch of a dual interface, answered by the interface's type information: late-bound calls
// reach the same methods as early-bound ones.
#pragma once

#include "ComPtr.h"

#include <windows.h>
#include <oaidl.h>

// The type information of interface iid from the registered type library libid (version
// major.minor, language neutral).
HRESULT LSLoadRegisteredTypeInfo(REFGUID libid, WORD major, WORD minor, REFIID iid, ITypeInfo** info) noexcept;
// The type information of interface iid from the type library that module carries as its
// TYPELIB resource 1.
HRESULT LSLoadModuleTypeInfo(HMODULE module, REFIID iid, ITypeInfo** info) noexcept;

// Implements IDispatch of Base. Source supplies `using Interface` (the dual interface, a base of
// Base or Base itself, whose methods the calls reach) and
// `static HRESULT Load(ITypeInfo**) noexcept`. The type information is loaded on first use and
// kept by the object.
template <class Base, class Source>
class LSDispatchImpl : public Base {
public:
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override
    {
        if (count == nullptr)
            return E_POINTER;
        *count = 1;
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID, ITypeInfo** info) override
    {
        if (info == nullptr)
            return E_POINTER;
        *info = nullptr;
        if (index != 0)
            return DISP_E_BADINDEX;
        const HRESULT hr = LoadTypeInfo();
        return FAILED(hr) ? hr : m_typeInfo.copy_to(info);
    }

    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID,
                                            DISPID* ids) override
    {
        if (iid != IID_NULL)
            return DISP_E_UNKNOWNINTERFACE;
        if (names == nullptr || ids == nullptr)
            return E_POINTER;
        if (count == 0)
            return E_INVALIDARG;
        const HRESULT hr = LoadTypeInfo();
        return FAILED(hr) ? hr : m_typeInfo->GetIDsOfNames(names, count, ids);
    }

    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID, WORD flags, DISPPARAMS* parameters,
                                     VARIANT* result, EXCEPINFO* exception, UINT* argumentError) override
    {
        if (iid != IID_NULL)
            return DISP_E_UNKNOWNINTERFACE;
        if (parameters == nullptr)
            return E_INVALIDARG;
        const HRESULT hr = LoadTypeInfo();
        if (FAILED(hr))
            return hr;
        using Interface = typename Source::Interface;
        return m_typeInfo->Invoke(static_cast<Interface*>(this), id, flags, parameters, result, exception,
                                  argumentError);
    }

private:
    HRESULT LoadTypeInfo() noexcept { return m_typeInfo ? S_OK : Source::Load(m_typeInfo.put()); }

    TalvernCommon::com_ptr<ITypeInfo> m_typeInfo;
};
