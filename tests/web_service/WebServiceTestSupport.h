// Shared ground of the web-service suite: the stand-in, the log, a host informer that another
// thread can stop, and the request helpers the cases repeat.
#pragma once

#include "BoxStandIn.h"
#include "ComPtr.h"
#include "ILSHttpRequest.h"
#include "JsonText.h"
#include "LSCancelCheck.h"
#include "LSHttpError.h"
#include "ScratchFolder.h"
#include "TestShutdownInformer.h"
#include "ThrownHresult.h"
#include "Utf8Converter.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace WebServiceTest {

using TestSupport::ParseJson;
using TestSupport::ThrownHresult;

// Starts the process's logging, every switch on, into a folder of its own; later calls do nothing.
void StartLoggingOnce();
std::string ReadLogFiles();

uint64_t FileSize(const std::wstring& path);
std::string Sha1Hex(const std::wstring& path);
inline std::wstring Wide(const std::string& utf8) { return Utf8ToWideLossy(utf8); }
inline std::string Utf8(const std::wstring& wide) { return WideToUtf8Lossy(wide); }
// Whether the journaled request carried each of the headers once and in this order, whatever
// else stood between them.
::testing::AssertionResult HeadersInOrder(const Json::Value& entry, const std::vector<std::string>& names);
// An address on 127.0.0.1 whose port nothing listens on.
inline std::wstring RefusedUrl() { return L"http://127.0.0.1:1/refused"; }

// Acts once, from a thread of its own, as soon as the condition holds.
class ActWhen {
public:
    ActWhen(std::function<bool()> condition, std::function<void()> action);
    ActWhen(const ActWhen&) = delete;
    ActWhen& operator=(const ActWhen&) = delete;
    ~ActWhen();

private:
    std::atomic<bool> m_quit{false};
    std::thread m_thread;
};

// A fresh stand-in state for each case.
class StandInTest : public ::testing::Test {
protected:
    void SetUp() override;

    std::wstring Url(const std::string& path) const { return standIn.BaseUrlWide() + Wide(path); }
    // An opened XMLHTTP request (asynchronous, no user) from the factory.
    std::unique_ptr<ILSHttpRequest> Open(const std::wstring& method, const std::wstring& url) const;
    // Opens, sets the headers in order and sends as the Box client does, stopped by the informer.
    std::unique_ptr<ILSHttpRequest> Send(const std::wstring& method, const std::string& path,
                                         const _variant_t& body = _variant_t(), const LSHttpHeaderList& headers = {});
    // Scripts the stand-in's answer to such requests ({"status", "text", "headers", ...}).
    void Script(const std::string& method, const std::string& path, Json::Value answer) const;
    // The stand-in takes such requests and answers nothing for a minute.
    void ScriptHang(const std::string& method, const std::string& path) const;
    // Asks the informer to stop once the condition holds.
    ActWhen StopWhen(std::function<bool()> condition);
    // What the call throws when the informer asks to stop once the call is waiting on it.
    HRESULT ThrownWhenStoppedWhileWaiting(const std::function<void()>& call);
    // A cancel check that asks to stop once the stand-in has begun acting out a scripted answer
    // for the path (it notes that just before it writes or drops anything): the stop and what
    // the answer does to the transfer then reach the request together.
    LSCancelCheck StopOnceScriptedAnswerBegins(const std::string& pathGlob) const;

    TestSupport::BoxStandIn standIn = TestSupport::BoxStandIn::FromEnvironment();
    TalvernCommon::com_ptr<TestHost::TestShutdownInformer> informer = TestHost::TestShutdownInformer::Create();
};

// The HTTP failure a call throws; a status of 0 when it throws none.
LSHttpError ThrownHttpError(const std::function<void()>& call);

} // namespace WebServiceTest
