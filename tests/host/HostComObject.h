#pragma once
// Reference counting and QueryInterface shared by the test host's COM objects.

#include "HResultException.h"

#include <objbase.h>
#include <oaidl.h>

#include <atomic>
#include <new>
#include <tuple>
#include <type_traits>

namespace TestHost {

// A COM object implementing the interfaces Bases, IUnknown by its first. The creator holds the first reference.
template <class... Bases>
class HostComObject : public Bases... {
    using Primary = std::tuple_element_t<0, std::tuple<Bases...>>;

public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override
    {
        if (!out)
            return E_POINTER;
        *out = nullptr;
        if (iid == __uuidof(IUnknown))
            *out = Identity();
        else
            static_cast<void>((FindInterface<Bases>(iid, out) || ...));
        if (!*out)
            return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const ULONG left = --references_;
        if (left == 0)
            delete this; // the last reference owns the object
        return left;
    }

    IUnknown* Identity() { return static_cast<Primary*>(this); }

    // The filter binds early: late-bound calls are refused plainly instead of guessed at.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count)
    {
        if (!count)
            return E_POINTER;
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info)
    {
        if (info)
            *info = nullptr;
        return DISP_E_BADINDEX;
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) { return DISP_E_UNKNOWNNAME; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*)
    {
        return DISP_E_MEMBERNOTFOUND;
    }

protected:
    HostComObject() = default;
    virtual ~HostComObject() = default; // not copyable: the reference count is atomic

private:
    template <class Interface>
    bool FindInterface(REFIID iid, void** out)
    {
        if (iid == __uuidof(Interface) || (std::is_base_of_v<IDispatch, Interface> && iid == __uuidof(IDispatch)))
            *out = static_cast<Interface*>(this);
        return *out != nullptr;
    }

    std::atomic<ULONG> references_{1};
};

// Runs a COM method's body so that no exception crosses the COM boundary.
template <class Body>
HRESULT Guarded(Body&& body) noexcept
{
    try {
        return body();
    } catch (const hresult_exception& failure) {
        return failure.hr();
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_UNEXPECTED;
    }
}

} // namespace TestHost
