#include "LSClassFactory.h"

LSClassFactory::LSClassFactory(LSComModule& module, LSCreatorFunction create) noexcept
    : m_module(module), m_create(create)
{
}

HRESULT STDMETHODCALLTYPE LSClassFactory::QueryInterface(REFIID iid, void** out)
{
    if (out == nullptr)
        return E_POINTER;
    if (iid != __uuidof(IUnknown) && iid != __uuidof(IClassFactory)) {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    *out = static_cast<IClassFactory*>(this);
    AddRef();
    return S_OK;
}

ULONG STDMETHODCALLTYPE LSClassFactory::AddRef()
{
    const LONG references = ::InterlockedIncrement(&m_references);
    if (references == 2)
        m_module.Lock();
    return static_cast<ULONG>(references);
}

ULONG STDMETHODCALLTYPE LSClassFactory::Release()
{
    const LONG references = ::InterlockedDecrement(&m_references);
    if (references == 1)
        m_module.Unlock();
    else if (references == 0)
        delete this; // the module's cache held the last reference
    return static_cast<ULONG>(references);
}

HRESULT STDMETHODCALLTYPE LSClassFactory::CreateInstance(IUnknown* outer, REFIID iid, void** out)
{
    if (out == nullptr)
        return E_POINTER;
    *out = nullptr;
    if (outer != nullptr && iid != __uuidof(IUnknown))
        return CLASS_E_NOAGGREGATION;
    return m_create(m_module, outer, iid, out);
}

HRESULT STDMETHODCALLTYPE LSClassFactory::LockServer(BOOL lock)
{
    if (lock)
        m_module.Lock();
    else
        m_module.Unlock();
    return S_OK;
}
