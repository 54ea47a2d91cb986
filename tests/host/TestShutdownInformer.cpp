#include "TestShutdownInformer.h"

namespace TestHost {

TalvernCommon::com_ptr<TestShutdownInformer> TestShutdownInformer::Create()
{
    return TalvernCommon::com_ptr<TestShutdownInformer>::attach(new TestShutdownInformer());
}

HRESULT STDMETHODCALLTYPE TestShutdownInformer::get_IsShuttingDown(VARIANT_BOOL* shuttingDown)
{
    if (!shuttingDown)
        return E_POINTER;
    ++stopQueries_;
    *shuttingDown = stop_ ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE TestShutdownInformer::get_IsOnTimer(VARIANT_BOOL* onTimer)
{
    if (!onTimer)
        return E_POINTER;
    *onTimer = onTimer_ ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE TestShutdownInformer::NotifyRequestStart()
{
    if (++requestStarts_ == stopAtRequestStart_)
        stop_ = true;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE TestShutdownInformer::Reserved2() { return E_NOTIMPL; }
HRESULT STDMETHODCALLTYPE TestShutdownInformer::Reserved3() { return E_NOTIMPL; }
HRESULT STDMETHODCALLTYPE TestShutdownInformer::Reserved4() { return E_NOTIMPL; }
HRESULT STDMETHODCALLTYPE TestShutdownInformer::Reserved5() { return E_NOTIMPL; }
HRESULT STDMETHODCALLTYPE TestShutdownInformer::Reserved6() { return E_NOTIMPL; }
HRESULT STDMETHODCALLTYPE TestShutdownInformer::Reserved7() { return E_NOTIMPL; }
HRESULT STDMETHODCALLTYPE TestShutdownInformer::Reserved8() { return E_NOTIMPL; }

void TestShutdownInformer::RequestStop() { stop_ = true; }

void TestShutdownInformer::RequestStopAtRequestStart(long start) { stopAtRequestStart_ = start; }

void TestShutdownInformer::SetOnTimer(bool onTimer) { onTimer_ = onTimer; }

long TestShutdownInformer::StopQueries() const { return stopQueries_; }

long TestShutdownInformer::RequestStarts() const { return requestStarts_; }

} // namespace TestHost
