#include "WebServiceTestSupport.h"

#include "HResultException.h"
#include "LSBaseWS.h"
#include "LSDiag.h"
#include "LSHttpRequestFactory.h"
#include "RegistrySandbox.h"

#include <algorithm>
#include <chrono>
#include <stdexcept>

namespace WebServiceTest {
namespace {

// Made before logging starts, so it goes after the log file closes at exit.
const ScratchFolder& LogFolder()
{
    static const ScratchFolder folder(L"web_service_logs");
    return folder;
}

} // namespace

void StartLoggingOnce()
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

std::string ReadLogFiles()
{
    StartLoggingOnce();
    std::string text;
    for (const std::wstring& name : LogFolder().FileNames())
        text += ReadFileBytes(LogFolder().File(name));
    return text;
}

uint64_t FileSize(const std::wstring& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    if (!::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data))
        return 0;
    return (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

::testing::AssertionResult HeadersInOrder(const Json::Value& entry, const std::vector<std::string>& names)
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

ActWhen::ActWhen(std::function<bool()> condition, std::function<void()> action)
    : m_thread([this, condition = std::move(condition), action = std::move(action)] {
          while (!m_quit) {
              if (condition()) {
                  action();
                  return;
              }
              std::this_thread::sleep_for(std::chrono::milliseconds(5));
          }
      })
{
}

ActWhen::~ActWhen()
{
    m_quit = true;
    m_thread.join();
}

void StandInTest::SetUp()
{
    StartLoggingOnce();
    standIn.Reset();
}

std::unique_ptr<ILSHttpRequest> StandInTest::Open(const std::wstring& method, const std::wstring& url) const
{
    std::unique_ptr<ILSHttpRequest> request = LSHttpRequestFactory::CreateHttpRequest();
    const HRESULT opened = request->Open(_bstr_t(method.c_str()), _bstr_t(url.c_str()), _variant_t(true),
                                         _variant_t(L""), _variant_t(L""));
    if (FAILED(opened))
        throw hresult_exception(opened, "Open failed");
    return request;
}

std::unique_ptr<ILSHttpRequest> StandInTest::Send(const std::wstring& method, const std::string& path,
                                                  const _variant_t& body, const LSHttpHeaderList& headers)
{
    std::unique_ptr<ILSHttpRequest> request = Open(method, Url(path));
    for (const auto& [name, value] : headers)
        request->SetRequestHeader(name.c_str(), value.c_str());
    CLSBaseWS::PerformAsyncVariantSend(request, Url(path), body, informer.get());
    return request;
}

void StandInTest::Script(const std::string& method, const std::string& path, Json::Value answer) const
{
    answer["method"] = method;
    answer["path"] = path;
    standIn.AddFault(answer);
}

void StandInTest::ScriptHang(const std::string& method, const std::string& path) const
{
    Script(method, path, ParseJson(R"({"action": "hang", "hang_ms": 60000})"));
}

ActWhen StandInTest::StopWhen(std::function<bool()> condition)
{
    return ActWhen(std::move(condition), [informer = informer] { informer->RequestStop(); });
}

HRESULT StandInTest::ThrownWhenStoppedWhileWaiting(const std::function<void()>& call)
{
    // Stops once the call is waiting: the wait keeps asking the informer.
    const ActWhen stopper = StopWhen([this] { return informer->StopQueries() >= 3; });
    return ThrownHresult(call);
}

LSCancelCheck StandInTest::StopOnceScriptedAnswerBegins(const std::string& pathGlob) const
{
    return [this, pathGlob] {
        const Json::Value entries = standIn.JournalEntries(0, pathGlob);
        return std::any_of(entries.begin(), entries.end(), [](const Json::Value& e) { return !e["fault"].isNull(); });
    };
}

LSHttpError ThrownHttpError(const std::function<void()>& call)
{
    try {
        call();
    } catch (const LSHttpError& error) {
        return error;
    }
    return LSHttpError(0, L"");
}

} // namespace WebServiceTest
