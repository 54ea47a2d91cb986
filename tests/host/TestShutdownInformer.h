#pragma once
// Stand-in for the host's cancellation object; a test may ask for the stop from any thread.

#include "HostComObject.h"
#include "ComPtr.h"
#include "VESKSyncBasicsLib.h"

#include <atomic>

namespace TestHost {

class TestShutdownInformer final : public HostComObject<NoTypeInfoDispatch<ILSShutdownInformer>> {
public:
    static TalvernCommon::com_ptr<TestShutdownInformer> Create();

    // ILSShutdownInformer
    HRESULT STDMETHODCALLTYPE get_IsShuttingDown(VARIANT_BOOL* shuttingDown) override;
    HRESULT STDMETHODCALLTYPE Reserved2() override;
    HRESULT STDMETHODCALLTYPE Reserved3() override;
    HRESULT STDMETHODCALLTYPE Reserved4() override;
    HRESULT STDMETHODCALLTYPE Reserved5() override;
    HRESULT STDMETHODCALLTYPE Reserved6() override;
    HRESULT STDMETHODCALLTYPE Reserved7() override;
    HRESULT STDMETHODCALLTYPE Reserved8() override;
    HRESULT STDMETHODCALLTYPE get_IsOnTimer(VARIANT_BOOL* onTimer) override;
    HRESULT STDMETHODCALLTYPE NotifyRequestStart() override;

    // Test side, safe from any thread.
    void RequestStop();
    // Asks for the stop as the filter announces its request number `start` (1 for the first).
    void RequestStopAtRequestStart(long start);
    void SetOnTimer(bool onTimer);
    // How often the filter asked whether to stop: lets a test stop a wait that has begun.
    long StopQueries() const;
    long RequestStarts() const;

private:
    TestShutdownInformer() = default;

    std::atomic<bool> stop_{false};
    std::atomic<bool> onTimer_{false};
    std::atomic<long> stopQueries_{0};
    std::atomic<long> requestStarts_{0};
    std::atomic<long> stopAtRequestStart_{0};
};

} // namespace TestHost
