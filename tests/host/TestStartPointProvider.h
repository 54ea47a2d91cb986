#pragma once
// Stand-in for the host object that offers a start point when the host gives an empty one. The
// filter finds it by asking its own COM identity, so this object can aggregate the filter and
// become that identity.

#include "HostComObject.h"
#include "ComPtr.h"
#include "VESKSyncBasicsLib.h"

#include <functional>
#include <string>

namespace TestHost {

class TestStartPointProvider final : public HostComObject<ILSStartPointProvider> {
public:
    // Makes the inner object with this object as its controlling unknown.
    using InnerFactory = std::function<HRESULT(IUnknown* outer, IUnknown** inner)>;

    static TalvernCommon::com_ptr<TestStartPointProvider> Create(const std::wstring& startPoint);

    // Own interfaces first; every other interface is the aggregated object's.
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;

    // ILSStartPointProvider
    HRESULT STDMETHODCALLTYPE GetStartPoint(BSTR* startPoint) override;

    // Test side.
    void SetStartPoint(const std::wstring& startPoint);
    void FailWith(HRESULT failure);
    int StartPointCalls() const;
    HRESULT Aggregate(const InnerFactory& makeInner);
    HRESULT AggregateClass(REFCLSID clsid);

private:
    explicit TestStartPointProvider(const std::wstring& startPoint);

    std::wstring startPoint_;
    HRESULT failure_ = S_OK;
    int startPointCalls_ = 0;
    TalvernCommon::com_ptr<IUnknown> inner_;
};

} // namespace TestHost
