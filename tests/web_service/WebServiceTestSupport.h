// The web-service suite's stand-in, log, stoppable informer and request helpers.
#pragma once

#include "BoxStandIn.h"
#include "ComPtr.h"
#include "HResultException.h"
#include "ILSHttpRequest.h"
#include "JsonText.h"
#include "LSBaseWS.h"
#include "LSCancelCheck.h"
#include "LSDiag.h"
#include "LSHttpError.h"
#include "LSHttpRequestFactory.h"
#include "RegistrySandbox.h"
#include "ScratchFolder.h"
#include "TestShutdownInformer.h"
#include "ThrownHresult.h"
#include "Utf8Converter.h"
#include "WaitUntil.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace WebServiceTest {

using TestSupport::ParseJson;
using TestSupport::ThrownHresult;
using TestSupport::WaitUntil;

// Made before logging starts, so it goes after the log file closes at exit.
inline const ScratchFolder& LogFolder()
{
    static const ScratchFolder folder(L"web_service_logs");
    return folder;
}

// Starts the process's logging, every switch on, into a folder of its own; later calls do nothing.
inline void StartLoggingOnce()
{
    static const bool started = [] {
        // Read once by Initialize: the values need not outlive it.
        RegistrySandbox registry;
        registry.SetString(SettingsSource::User, L"VESK.LogDir", LogFolder().Path());
        for (const wchar_t* name : {L"VESK.Log.Error", L"VESK.Log.Perf", L"VESK.Log.WebServiceReq",
                                    L"VESK.Log.WebServiceResp"})
            registry.SetDword(SettingsSource::User, name, 1);
        LSDiag::Initialize(L"VESK-WebServiceTests", L"test");
        return true;
    }();
    (void)started;
}

inline std::string ReadLogFiles()
{
    StartLoggingOnce();
    std::string text;
    for (const std::wstring& name : LogFolder().FileNames())
        text += ReadFileBytes(LogFolder().File(name));
    return text;
}

inline std::wstring Wide(const std::string& utf8) { return Utf8ToWideLossy(utf8); }
inline std::string Utf8(const std::wstring& wide) { return WideToUtf8Lossy(wide); }
inline std::wstring RefusedUrl() { return L"http://127.0.0.1:1/refused"; }

// Each header came once, in this order, whatever stood between them.
inline ::testing::AssertionResult HeadersInOrder(const Json::Value& entry, const std::vector<std::string>& names)
{
    std::vector<std::string> arrived;
    for (const Json::Value& header : entry["headers"]) {
        if (std::count(names.begin(), names.end(), header[0].asString()) != 0)
            arrived.push_back(header[0].asString());
    }
    if (arrived == names)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "of these headers came " << ::testing::PrintToString(arrived);
}

// A status of 0 when the call throws none.
inline LSHttpError ThrownHttpError(const std::function<void()>& call)
{
    try {
        call();
    } catch (const LSHttpError& error) {
        return error;
    }
    return LSHttpError(0, L"");
}

// Acts once, from a thread of its own, as soon as the condition holds.
class ActWhen {
public:
    ActWhen(std::function<bool()> condition, std::function<void()> action)
        : m_thread([this, condition = std::move(condition), action = std::move(action)] {
              for (; !m_quit; std::this_thread::sleep_for(std::chrono::milliseconds(5))) {
                  if (condition())
                      return action();
              }
          })
    {
    }
    ~ActWhen()
    {
        m_quit = true;
        m_thread.join();
    }

private:
    std::atomic<bool> m_quit{false};
    std::thread m_thread;
};

class StandInTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        StartLoggingOnce();
        standIn.Reset();
    }

    std::wstring Url(const std::string& path) const { return standIn.BaseUrlWide() + Wide(path); }
    // Opened asynchronously, without a user.
    std::unique_ptr<ILSHttpRequest> Open(const std::wstring& method, const std::wstring& url) const
    {
        std::unique_ptr<ILSHttpRequest> request = LSHttpRequestFactory::CreateHttpRequest();
        const HRESULT opened = request->Open(_bstr_t(method.c_str()), _bstr_t(url.c_str()), _variant_t(true),
                                             _variant_t(L""), _variant_t(L""));
        if (FAILED(opened))
            throw hresult_exception(opened, "Open failed");
        return request;
    }
    std::unique_ptr<ILSHttpRequest> Send(const std::wstring& method, const std::string& path,
                                         const _variant_t& body = _variant_t(), const LSHttpHeaderList& headers = {})
    {
        std::unique_ptr<ILSHttpRequest> request = Open(method, Url(path));
        for (const auto& [name, value] : headers)
            request->SetRequestHeader(name.c_str(), value.c_str());
        CLSBaseWS::PerformAsyncVariantSend(request, Url(path), body, informer.get());
        return request;
    }
    void Script(const std::string& method, const std::string& path, Json::Value answer) const
    {
        answer["method"] = method;
        answer["path"] = path;
        standIn.AddFault(answer);
    }
    void ScriptHang(const std::string& method, const std::string& path) const
    {
        Script(method, path, ParseJson(R"({"action": "hang", "hang_ms": 60000})"));
    }
    ActWhen StopWhen(std::function<bool()> condition)
    {
        return ActWhen(std::move(condition), [informer = informer] { informer->RequestStop(); });
    }
    // What the call throws when the informer asks to stop once the call is waiting on it, which
    // the wait shows by asking the informer.
    HRESULT ThrownWhenStoppedWhileWaiting(const std::function<void()>& call)
    {
        const ActWhen stopper = StopWhen([this] { return informer->StopQueries() >= 3; });
        return ThrownHresult(call);
    }
    // Stops once the stand-in begins a scripted answer for the path, so that the stop and what the
    // answer does to the transfer reach the request together.
    LSCancelCheck StopOnceScriptedAnswerBegins(const std::string& pathGlob) const
    {
        return [this, pathGlob] {
            const Json::Value entries = standIn.JournalEntries(0, pathGlob);
            return std::any_of(entries.begin(), entries.end(),
                               [](const Json::Value& e) { return !e["fault"].isNull(); });
        };
    }

    TestSupport::BoxStandIn standIn = TestSupport::BoxStandIn::FromEnvironment();
    TalvernCommon::com_ptr<TestHost::TestShutdownInformer> informer = TestHost::TestShutdownInformer::Create();
};

} // namespace WebServiceTest
