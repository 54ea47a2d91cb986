#include "BoxRoadFixture.h"

#include "BoxCallLoop.h"
#include "BoxConstants.h"
#include "BoxServiceTable.h"
#include "BoxTokenCache.h"
#include "BoxUrlBuilders.h"
#include "LSResources.h"
#include "LSSetting.h"
#include "ThrownHresult.h"
#include "UniqueResource.h"

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

namespace {

constexpr wchar_t kHostWindowClass[] = L"BoxRoadHostWindow";
constexpr UINT kTestMessage = WM_APP + 1;

LRESULT CALLBACK HostWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* const answered = reinterpret_cast<std::atomic<long>*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (message != kTestMessage || answered == nullptr)
        return DefWindowProcW(window, message, wParam, lParam);
    ++*answered;
    return 0;
}

TalvernCommon::unique_hwnd CreateHostWindow(std::atomic<long>& answered)
{
    static const ATOM registered = [] {
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = HostWindowProc;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = kHostWindowClass;
        return RegisterClassW(&windowClass);
    }();
    if (registered == 0)
        return {};
    TalvernCommon::unique_hwnd window(CreateWindowExW(0, kHostWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                                      GetModuleHandleW(nullptr), nullptr));
    if (window)
        SetWindowLongPtrW(window.get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&answered));
    return window;
}

} // namespace

HostThread::HostThread(std::function<void()> call)
{
    std::promise<HWND> created;
    std::future<HWND> window = created.get_future();
    result_ = StartStaCall(
        [this, &created, call = std::move(call)] {
            const TalvernCommon::unique_hwnd own = CreateHostWindow(answered_);
            created.set_value(own.get());
            call();
        },
        thread_);
    window_ = window.get();
}

HostThread::~HostThread()
{
    if (thread_.joinable())
        thread_.join();
}

void HostThread::PostToWindow() const
{
    EXPECT_NE(nullptr, window_) << "the host thread has no window";
    EXPECT_TRUE(PostMessageW(window_, kTestMessage, 0, 0));
}

HRESULT HostThread::Result() { return result_.get(); }

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
