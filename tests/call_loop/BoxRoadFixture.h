// A fresh stand-in as "Mock.BoxService", the cache holding its tokens, every request checked against Box's API.
#pragma once

#include "BoxExceptions.h"
#include "BoxRecords.h"
#include "BoxStandIn.h"
#include "ComPtr.h"
#include "HResultException.h"
#include "JsonText.h"
#include "LSHttpError.h"
#include "RegistrySandbox.h"
#include "StandInJournal.h"
#include "StringUtils.h"
#include "TestShutdownInformer.h"
#include "WaitUntil.h"

#include <gtest/gtest.h>
#include <json/json.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <future>
#include <optional>
#include <string>
#include <thread>

namespace BoxRoad {

std::optional<std::wstring> ReadUserSetting(const std::wstring& name);

using TestSupport::ParseJson;
using TestSupport::WaitUntil;

// A new thread in a single-threaded apartment of its own, as a host thread is.
std::thread StartStaThread(std::function<void()> body);

// The future holds the HRESULT the call threw (S_OK for none), or E_UNEXPECTED for another exception.
std::future<HRESULT> StartStaCall(std::function<void()> call, std::thread& thread);

// While the call waits for Box, a timer on this thread polls ready() whenever the thread's messages
// are dispatched and, once it holds, makes the nested call, as a host window's handler would. False
// when it never ran; exceptions of either call are swallowed.
bool RunWithNestedCall(const std::function<void()>& call, const std::function<void()>& nested,
                       const std::function<bool()>& ready);

// A host thread: a single-threaded apartment with a message-only window, as the host's own threads
// have, making one call. The test posts messages to the window and counts those it answered, to see
// whether the thread keeps answering its window while the call waits.
class HostThread {
public:
    explicit HostThread(std::function<void()> call);
    ~HostThread();
    HostThread(const HostThread&) = delete;
    HostThread& operator=(const HostThread&) = delete;

    void PostToWindow() const;
    long Answered() const { return answered_; }
    bool Ended() const { return result_.wait_for(std::chrono::seconds(0)) == std::future_status::ready; }
    // The HRESULT the call threw (S_OK for none); waits for the call to end.
    HRESULT Result();

private:
    std::atomic<long> answered_{0};
    HWND window_ = nullptr;
    std::future<HRESULT> result_;
    std::thread thread_;
};

// The message of the E_FAIL hresult_exception the call throws; empty when it throws none.
template <typename Call>
std::string FailureOf(Call call)
{
    try {
        call();
    } catch (const hresult_exception& error) {
        return error.hr() == E_FAIL ? error.what() : "another HRESULT";
    }
    return {};
}

// 0 when the call throws no LSHttpError.
template <typename Call>
int HttpStatusOf(Call call)
{
    try {
        call();
    } catch (const LSHttpError& error) {
        return error.GetStatus();
    }
    return 0;
}

// Empty when the call throws no Box_20::ApiException.
template <typename Call>
std::wstring ApiErrorOf(Call call)
{
    try {
        call();
    } catch (const Box_20::ApiException& error) {
        return error.GetText();
    }
    return {};
}

// Names the cases of a parameterised test by their "name" member.
struct CaseName {
    template <typename Case>
    std::string operator()(const ::testing::TestParamInfo<Case>& info) const
    {
        return info.param.name;
    }
};

class BoxRoadTest : public ::testing::Test {
protected:
    static void SetUpTestSuite();

    void SetUp() override;
    void TearDown() override;

    void AddFault(const std::string& ruleJson) const { standIn_.AddFault(ParseJson(ruleJson)); }
    // The next API request gets 401.
    void ExpireAccessToken() const { standIn_.Post("tokens", ParseJson(R"({"access_expired": true})")); }
    Json::Value StandInTokens() const { return standIn_.Get("tokens"); }
    // This test's requests, optionally of one route only ("GET /2.0/users/me").
    Json::Value Journal(const std::string& route = {}) const;
    static std::string Header(const Json::Value& entry, const std::string& name)
    {
        return TestSupport::JournalHeader(entry, name);
    }
    static std::string Body(const Json::Value& entry) { return TestSupport::JournalBody(entry); }

    // The signed-in user's record, which every account answers.
    static CStdStr<wchar_t> UserInfoUrl();
    Json::Value CallUserInfo() const;

    TestSupport::BoxStandIn standIn_ = TestSupport::BoxStandIn::FromEnvironment();
    TalvernCommon::com_ptr<TestHost::TestShutdownInformer> informer_ = TestHost::TestShutdownInformer::Create();
    RegistrySandbox settings_;
};

} // namespace BoxRoad
