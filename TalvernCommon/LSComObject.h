// The objects a class factory makes of a COM class T: a plain object, or an object aggregated
// by an outer object that then receives every IUnknown call. T supplies the interfaces and
// `static const LSInterfaceMap<T, N>& InterfaceMap() noexcept`; IUnknown is supplied here.
//
// The reference counts are plain numbers: the classes made here live in the apartment that
// created them (apartment threading model).
#pragma once

#include "LSComModule.h"
#include "LSInterfaceMap.h"

#include <unknwn.h>

#include <memory>

template <class T>
class LSComObject final : private LSModuleLock, public T {
public:
    explicit LSComObject(LSComModule& module) : LSModuleLock(module) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override
    {
        return LSQueryInterfaceMap<T>(*this, T::InterfaceMap(), iid, out);
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++m_references; }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const ULONG left = --m_references;
        if (left == 0)
            delete this; // the last reference owns the object
        return left;
    }

private:
    ULONG m_references = 0;
};

// T inside an aggregate: its IUnknown is the outer object's.
template <class T>
class LSContainedObject final : public T {
public:
    explicit LSContainedObject(IUnknown* outer) : m_outer(outer) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override
    {
        return m_outer->QueryInterface(iid, out);
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return m_outer->AddRef(); }
    ULONG STDMETHODCALLTYPE Release() override { return m_outer->Release(); }

    // What the inner IUnknown answers for T's own interfaces.
    HRESULT QueryOwnInterface(REFIID iid, void** out) noexcept
    {
        return LSQueryInterfaceMap<T>(*this, T::InterfaceMap(), iid, out);
    }

private:
    IUnknown* m_outer; // not owned: the outer object owns the aggregate
};

// The inner IUnknown of an aggregate: the one object in it that counts its own references.
template <class T>
class LSAggregatedObject final : private LSModuleLock, public IUnknown {
public:
    LSAggregatedObject(LSComModule& module, IUnknown* outer) : LSModuleLock(module), m_contained(outer) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override
    {
        if (out == nullptr)
            return E_POINTER;
        if (iid == __uuidof(IUnknown)) {
            *out = static_cast<IUnknown*>(this);
            AddRef();
            return S_OK;
        }
        return m_contained.QueryOwnInterface(iid, out);
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++m_references; }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const ULONG left = --m_references;
        if (left == 0)
            delete this; // the outer object held the last reference
        return left;
    }

private:
    LSContainedObject<T> m_contained;
    ULONG m_references = 0;
};

namespace LSComObjectDetail {

// The new object is handed out only when it answers iid; otherwise it goes again at once.
template <class Object>
HRESULT HandOut(std::unique_ptr<Object> object, REFIID iid, void** out) noexcept
{
    const HRESULT hr = object->QueryInterface(iid, out);
    if (SUCCEEDED(hr))
        object.release(); // its reference count owns it now
    return hr;
}

} // namespace LSComObjectDetail

// The creator of a class-table entry: a plain object when outer is null, else an aggregated one
// (the class factory has already refused aggregation for any interface but IUnknown). A
// constructor that throws leaves nothing behind and gives E_OUTOFMEMORY.
template <class T>
HRESULT LSCreateComInstance(LSComModule& module, IUnknown* outer, REFIID iid, void** out) noexcept
{
    if (out == nullptr)
        return E_POINTER;
    *out = nullptr;
    try {
        if (outer != nullptr)
            return LSComObjectDetail::HandOut(std::make_unique<LSAggregatedObject<T>>(module, outer), iid, out);
        return LSComObjectDetail::HandOut(std::make_unique<LSComObject<T>>(module), iid, out);
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}
