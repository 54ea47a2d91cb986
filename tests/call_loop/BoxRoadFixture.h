// The fixture of the Box road tests: the Box stand-in reset for each test, the client pointed at
// it through "Mock.BoxService" in a registry sandbox, the token cache holding the stand-in's
// current pair, and, after each test, every request the stand-in saw checked against Box's API
// description.
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

#include <gtest/gtest.h>
#include <json/json.h>

#include <chrono>
#include <functional>
#include <future>
#include <optional>
#include <string>
#include <thread>

namespace BoxRoad {

// A text in the user's own settings, where the client stores its tokens.
std::optional<std::wstring> ReadUserSetting(const std::wstring& name);

using TestSupport::ParseJson;

// Waits until the condition holds, asking every 10 ms; false when it still fails after timeout.
bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout);

// Runs the body on a new thread with its own single-threaded apartment, as a host thread is.
std::thread StartStaThread(std::function<void()> body);

// Runs the call on a new single-threaded apartment thread; the future holds S_OK, the HRESULT it
// threw, or E_UNEXPECTED for any other exception.
std::future<HRESULT> StartStaCall(std::function<void()> call, std::thread& thread);

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

// The HTTP status of the LSHttpError the call throws; 0 when it throws none.
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

// The text of the Box_20::ApiException the call throws; empty when it throws none.
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

    // A fault rule of the stand-in (see its control interface), given as JSON text.
    void AddFault(const std::string& ruleJson) const;
    // The stand-in stops taking the cached access token: the next API request gets 401.
    void ExpireAccessToken() const;
    Json::Value StandInTokens() const;
    // The requests the stand-in journaled during this test, optionally of one route only
    // ("GET /2.0/users/me").
    Json::Value Journal(const std::string& route = {}) const;
    static std::string Header(const Json::Value& entry, const std::string& name)
    {
        return TestSupport::JournalHeader(entry, name);
    }
    static std::string Body(const Json::Value& entry) { return TestSupport::JournalBody(entry); }

    // The address of the signed-in user's record, a request every account answers.
    static CStdStr<wchar_t> UserInfoUrl();
    // GET of that record through the call loop.
    Json::Value CallUserInfo() const;

    TestSupport::BoxStandIn standIn_ = TestSupport::BoxStandIn::FromEnvironment();
    TalvernCommon::com_ptr<TestHost::TestShutdownInformer> informer_ = TestHost::TestShutdownInformer::Create();
    RegistrySandbox settings_;
};

} // namespace BoxRoad
