// The web-service suite's stand-in, log, stoppable informer and request helpers.
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
inline std::wstring Wide(const std::string& utf8) { return Utf8ToWideLossy(utf8); }
inline std::string Utf8(const std::wstring& wide) { return WideToUtf8Lossy(wide); }
// Each header came once, in this order, whatever stood between them.
::testing::AssertionResult HeadersInOrder(const Json::Value& entry, const std::vector<std::string>& names);
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

class StandInTest : public ::testing::Test {
protected:
    void SetUp() override;

    std::wstring Url(const std::string& path) const { return standIn.BaseUrlWide() + Wide(path); }
    // Opened asynchronously, without a user.
    std::unique_ptr<ILSHttpRequest> Open(const std::wstring& method, const std::wstring& url) const;
    std::unique_ptr<ILSHttpRequest> Send(const std::wstring& method, const std::string& path,
                                         const _variant_t& body = _variant_t(), const LSHttpHeaderList& headers = {});
    void Script(const std::string& method, const std::string& path, Json::Value answer) const;
    void ScriptHang(const std::string& method, const std::string& path) const;
    ActWhen StopWhen(std::function<bool()> condition);
    // What the call throws when the informer asks to stop once the call is waiting on it.
    HRESULT ThrownWhenStoppedWhileWaiting(const std::function<void()>& call);
    // Stops once the stand-in begins a scripted answer for the path, so that the stop and what the
    // answer does to the transfer reach the request together.
    LSCancelCheck StopOnceScriptedAnswerBegins(const std::string& pathGlob) const;

    TestSupport::BoxStandIn standIn = TestSupport::BoxStandIn::FromEnvironment();
    TalvernCommon::com_ptr<TestHost::TestShutdownInformer> informer = TestHost::TestShutdownInformer::Create();
};

// A status of 0 when the call throws none.
LSHttpError ThrownHttpError(const std::function<void()>& call);

} // namespace WebServiceTest
