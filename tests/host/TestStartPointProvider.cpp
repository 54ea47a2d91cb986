#include "TestStartPointProvider.h"

namespace TestHost {

TalvernCommon::com_ptr<TestStartPointProvider> TestStartPointProvider::Create(const std::wstring& startPoint)
{
    return TalvernCommon::com_ptr<TestStartPointProvider>::attach(new TestStartPointProvider(startPoint));
}

TestStartPointProvider::TestStartPointProvider(const std::wstring& startPoint)
    : startPoint_(startPoint)
{
}

HRESULT STDMETHODCALLTYPE TestStartPointProvider::QueryInterface(REFIID iid, void** out)
{
    const HRESULT own = HostComObject::QueryInterface(iid, out);
    if (own != E_NOINTERFACE || !inner_)
        return own;
    return inner_->QueryInterface(iid, out);
}

HRESULT STDMETHODCALLTYPE TestStartPointProvider::GetStartPoint(BSTR* startPoint)
{
    if (!startPoint)
        return E_POINTER;
    ++startPointCalls_;
    if (FAILED(failure_))
        return failure_;
    BSTR text = SysAllocStringLen(startPoint_.data(), static_cast<UINT>(startPoint_.size()));
    if (!text)
        return E_OUTOFMEMORY;
    *startPoint = text;
    return S_OK;
}

void TestStartPointProvider::SetStartPoint(const std::wstring& startPoint)
{
    startPoint_ = startPoint;
}

void TestStartPointProvider::FailWith(HRESULT failure) { failure_ = failure; }

int TestStartPointProvider::StartPointCalls() const { return startPointCalls_; }

HRESULT TestStartPointProvider::Aggregate(const InnerFactory& makeInner)
{
    if (inner_)
        return E_UNEXPECTED;
    TalvernCommon::com_ptr<IUnknown> inner;
    const HRESULT hr = makeInner(Identity(), inner.put());
    if (FAILED(hr))
        return hr;
    if (!inner)
        return E_POINTER;
    inner_ = std::move(inner);
    return S_OK;
}

HRESULT TestStartPointProvider::AggregateClass(REFCLSID clsid)
{
    return Aggregate([&clsid](IUnknown* outer, IUnknown** inner) {
        return CoCreateInstance(clsid, outer, CLSCTX_INPROC_SERVER, __uuidof(IUnknown),
                                reinterpret_cast<void**>(inner));
    });
}

} // namespace TestHost
