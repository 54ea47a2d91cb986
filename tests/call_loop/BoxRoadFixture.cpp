#include "BoxRoadFixture.h"

#include "BoxCallLoop.h"
#include "BoxConstants.h"
#include "BoxServiceTable.h"
#include "BoxTokenCache.h"
#include "BoxUrlBuilders.h"
#include "LSResources.h"
#include "LSSetting.h"
#include "ThrownHresult.h"

#include <objbase.h>

namespace BoxRoad {

std::optional<std::wstring> ReadUserSetting(const std::wstring& name)
{
    const auto stored = RegistrySandbox::ReadString(SettingsSource::User, name);
    return stored && stored->first == REG_SZ ? std::optional<std::wstring>(stored->second) : std::nullopt;
}

std::thread StartStaThread(std::function<void()> body)
{
    return std::thread([body = std::move(body)] {
        const bool initialized = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
        body();
        if (initialized)
            CoUninitialize();
    });
}

namespace {

struct PendingNestedCall {
    const std::function<void()>& nested;
    const std::function<bool()>& ready;
    bool ran = false;
};
PendingNestedCall* g_pendingNestedCall = nullptr;

// A timer of the thread's own, which the wait's message dispatch runs as a host window's would be.
void CALLBACK OnNestedCallTimer(HWND, UINT, UINT_PTR timer, DWORD)
{
    PendingNestedCall* const pending = g_pendingNestedCall;
    if (pending == nullptr || pending->ran || !pending->ready())
        return;
    KillTimer(nullptr, timer);
    pending->ran = true;
    try {
        pending->nested();
    } catch (...) {
    }
}

} // namespace

bool RunWithNestedCall(const std::function<void()>& call, const std::function<void()>& nested,
                       const std::function<bool()>& ready)
{
    PendingNestedCall pending{nested, ready};
    g_pendingNestedCall = &pending;
    const UINT_PTR timer = SetTimer(nullptr, 0, 20, OnNestedCallTimer);
    try {
        call();
    } catch (...) {
    }
    KillTimer(nullptr, timer);
    g_pendingNestedCall = nullptr;
    return pending.ran;
}

std::future<HRESULT> StartStaCall(std::function<void()> call, std::thread& thread)
{
    auto outcome = std::make_shared<std::promise<HRESULT>>();
    std::future<HRESULT> result = outcome->get_future();
    thread = StartStaThread([call = std::move(call), outcome] {
        try {
            outcome->set_value(TestSupport::ThrownHresult(call));
        } catch (...) {
            outcome->set_value(E_UNEXPECTED);
        }
    });
    return result;
}

void BoxRoadTest::SetUpTestSuite()
{
    // The host's language and common strings, as DllMain loads them for the product.
    LSResourceModules& modules = GetResourceModules();
    if (!modules.language)
        modules.language = LSSetting::LoadLanguageDll(L"VESKBoxSync32");
    if (!modules.common)
        modules.common = LoadUsersCommonResources(L"");
}

void BoxRoadTest::SetUp()
{
    standIn_.Reset();
    settings_.SetString(SettingsSource::User, Box_20::kMockBoxServiceSetting, standIn_.BaseUrlWide());
    const Json::Value tokens = StandInTokens();
    Box_20::SetCachedTokens({AnsiToWide(tokens["access_token"].asString()),
                             AnsiToWide(tokens["refresh_token"].asString())});
}

void BoxRoadTest::TearDown()
{
    for (const Json::Value& entry : Journal())
        EXPECT_EQ("ok", entry["api"]["status"].asString())
            << entry["request_line"].asString() << " is not an operation of Box's API";
    // SetCachedTokens writes the settings back; the sandbox removes them.
    Box_20::SetCachedTokens({});
    settings_.Track(SettingsSource::User, Box_20::kAccessTokenSetting);
    settings_.Track(SettingsSource::User, Box_20::kRefreshTokenSetting);
}

Json::Value BoxRoadTest::Journal(const std::string& route) const
{
    const Json::Value journal = standIn_.Journal();
    Json::Value matching(Json::arrayValue);
    for (const Json::Value& entry : journal["entries"]) {
        if (route.empty() || entry["route"].asString() == route)
            matching.append(entry);
    }
    return matching;
}

CStdStr<wchar_t> BoxRoadTest::UserInfoUrl() { return Box_20::GetServiceUrl(Box_20::ServiceUserInfo); }

Json::Value BoxRoadTest::CallUserInfo() const
{
    return Box_20::CallBoxAPI(UserInfoUrl(), informer_.get(), Box_20::BoxConstants().VerbGet, _variant_t(), false);
}

} // namespace BoxRoad
