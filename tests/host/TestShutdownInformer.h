#pragma once
// Stand-in for the host's cancellation object; a test may ask for the stop from any thread.

#include "HostComObject.h"
#include "ComPtr.h"
#include "VESKSyncBasicsLib.h"

#include <atomic>

namespace TestHost {

class TestShutdownInformer final : public HostComObject<ILSShutdownInformer> {
public:
    static TalvernCommon::com_ptr<TestShutdownInformer> Create()
    {
        return TalvernCommon::com_ptr<TestShutdownInformer>::attach(new TestShutdownInformer());
    }

    // ILSShutdownInformer
    HRESULT STDMETHODCALLTYPE get_IsShuttingDown(VARIANT_BOOL* shuttingDown) override
    {
        if (!shuttingDown)
            return E_POINTER;
        ++stopQueries_;
        *shuttingDown = stop_ ? VARIANT_TRUE : VARIANT_FALSE;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_IsOnTimer(VARIANT_BOOL* onTimer) override
    {
        if (!onTimer)
            return E_POINTER;
        *onTimer = onTimer_ ? VARIANT_TRUE : VARIANT_FALSE;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE NotifyRequestStart() override
    {
        if (++requestStarts_ == stopAtRequestStart_)
            stop_ = true;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Reserved2() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reserved3() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reserved4() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reserved5() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reserved6() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reserved7() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reserved8() override { return E_NOTIMPL; }

    // Test side, safe from any thread.
    void RequestStop() { stop_ = true; }
    // Asks for the stop as the filter announces its request number `start` (1 for the first).
    void RequestStopAtRequestStart(long start) { stopAtRequestStart_ = start; }
    void SetOnTimer(bool onTimer) { onTimer_ = onTimer; }
    // How often the filter asked whether to stop: lets a test stop a wait that has begun.
    long StopQueries() const { return stopQueries_; }
    long RequestStarts() const { return requestStarts_; }

private:
    TestShutdownInformer() = default;

    std::atomic<bool> stop_{false};
    std::atomic<bool> onTimer_{false};
    std::atomic<long> stopQueries_{0};
    std::atomic<long> requestStarts_{0};
    std::atomic<long> stopAtRequestStart_{0};
};

} // namespace TestHost
