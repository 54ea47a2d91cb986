#pragma once
// Stand-in for the host object that offers a start point when the host gives an empty one. The filter
// asks its own COM identity for it, so this object aggregates the filter.

#include "ComPtr.h"
#include "HostComObject.h"
#include "StringUtils.h"
#include "VESKSyncBasicsLib.h"

#include <string>

namespace TestHost {

class TestStartPointProvider final : public HostComObject<ILSStartPointProvider> {
public:
    static TalvernCommon::com_ptr<TestStartPointProvider> Create(const std::wstring& startPoint)
    {
        return TalvernCommon::com_ptr<TestStartPointProvider>::attach(new TestStartPointProvider(startPoint));
    }

    // Own interfaces first; every other interface is the aggregated object's.
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override
    {
        const HRESULT own = HostComObject::QueryInterface(iid, out);
        return own != E_NOINTERFACE || !inner_ ? own : inner_->QueryInterface(iid, out);
    }

    // ILSStartPointProvider
    HRESULT STDMETHODCALLTYPE GetStartPoint(BSTR* startPoint) override
    {
        if (!startPoint)
            return E_POINTER;
        ++startPointCalls_;
        return Guarded([&] {
            *startPoint = StdStrToBstr(startPoint_);
            return S_OK;
        });
    }

    // Test side.
    int StartPointCalls() const { return startPointCalls_; }
    // Creates the class with this object as its controlling unknown.
    HRESULT AggregateClass(REFCLSID clsid)
    {
        if (inner_)
            return E_UNEXPECTED;
        const HRESULT hr = CoCreateInstance(clsid, Identity(), CLSCTX_INPROC_SERVER, __uuidof(IUnknown),
                                            inner_.put_void());
        if (SUCCEEDED(hr) && !inner_)
            return E_POINTER; // a success without an object is a fault of the class
        return hr;
    }

private:
    explicit TestStartPointProvider(const std::wstring& startPoint) : startPoint_(startPoint) {}

    const std::wstring startPoint_;
    int startPointCalls_ = 0;
    TalvernCommon::com_ptr<IUnknown> inner_;
};

} // namespace TestHost
