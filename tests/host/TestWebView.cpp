#include "TestWebView.h"

#include <wininet.h>

#include <future>
#include <stdexcept>
#include <vector>

namespace TestHost {
namespace {

using TalvernCommon::unique_hinternet;

// The filter's sign-in messages (dwData of the WM_COPYDATA), as the host's web view knows them.
constexpr ULONG_PTR kOpenSignInPage = 0x4C535701;
constexpr ULONG_PTR kSignInFinished = 0x4C535702;
constexpr UINT kAnswerRequest = WM_APP + 1;
constexpr wchar_t kWindowClass[] = L"TestHostWebView";
constexpr UINT kSendTimeoutMs = 10000;

// The Location of the page's redirect; empty when it does not redirect. Tests reach nothing but
// 127.0.0.1: a page elsewhere counts as one that never redirects.
std::wstring FollowOneStep(const std::wstring& address)
{
    if (address.rfind(L"http://127.0.0.1:", 0) != 0)
        return {};
    const unique_hinternet session(InternetOpenW(L"VESK-test-webview", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0));
    const DWORD flags = INTERNET_FLAG_NO_AUTO_REDIRECT | INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE |
                        INTERNET_FLAG_NO_COOKIES | INTERNET_FLAG_NO_UI;
    const unique_hinternet page(session ? InternetOpenUrlW(session.get(), address.c_str(), nullptr, 0, flags, 0)
                                        : nullptr);
    std::vector<wchar_t> location(8192);
    DWORD size = static_cast<DWORD>(location.size() * sizeof(wchar_t));
    if (!page || !HttpQueryInfoW(page.get(), HTTP_QUERY_LOCATION, location.data(), &size, nullptr))
        return {};
    return std::wstring(location.data(), size / sizeof(wchar_t));
}

} // namespace

LRESULT CALLBACK TestWebView::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* self = reinterpret_cast<TestWebView*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    try {
        if (self && message == WM_COPYDATA)
            return self->TakeRequest(window, reinterpret_cast<HWND>(wParam),
                                     *reinterpret_cast<const COPYDATASTRUCT*>(lParam));
        if (self && message == kAnswerRequest)
            self->AnswerRequest(window);
        else if (message == WM_DESTROY)
            PostQuitMessage(0);
        else
            return DefWindowProcW(window, message, wParam, lParam);
        return 0;
    } catch (...) {
        return FALSE; // nothing may cross a window procedure
    }
}

TestWebView::TestWebView(Behaviour behaviour) : behaviour_(behaviour), hostDll_(LoadLibraryW(L"VESK32.dll"))
{
    static const ATOM windowClass = [] {
        WNDCLASSEXW definition = {};
        definition.cbSize = sizeof(definition);
        definition.lpfnWndProc = WindowProc;
        definition.hInstance = GetModuleHandleW(nullptr);
        definition.lpszClassName = kWindowClass;
        return RegisterClassExW(&definition);
    }();
    if (hostDll_)
        setWebView_ = reinterpret_cast<void(WINAPI*)(HWND)>(
            reinterpret_cast<void (*)()>(GetProcAddress(hostDll_.get(), "SetWebViewProcessHandle_export")));
    if (windowClass == 0 || setWebView_ == nullptr)
        throw std::runtime_error("TestWebView: no window class, or no VESK32.dll with SetWebViewProcessHandle_export");
    std::promise<HWND> created;
    std::future<HWND> window = created.get_future();
    thread_ = std::thread([this, &created] {
        const HWND self = CreateWindowExW(0, kWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                          GetModuleHandleW(nullptr), nullptr);
        // Requests come only once the window is registered with the host, after this.
        SetWindowLongPtrW(self, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        created.set_value(self);
        MSG message;
        while (self && GetMessageW(&message, nullptr, 0, 0) > 0)
            DispatchMessageW(&message);
    });
    window_ = window.get();
    if (window_ == nullptr) {
        thread_.join();
        throw std::runtime_error("TestWebView: cannot create its window");
    }
    setWebView_(window_);
}

TestWebView::~TestWebView()
{
    setWebView_(nullptr);
    PostMessageW(window_, WM_CLOSE, 0, 0); // the default handling destroys the window
    thread_.join();
}

LRESULT TestWebView::TakeRequest(HWND self, HWND replyWindow, const COPYDATASTRUCT& copy)
{
    if (copy.dwData != kOpenSignInPage || copy.lpData == nullptr || behaviour_ == Behaviour::Refuse)
        return FALSE;
    address_.assign(static_cast<const wchar_t*>(copy.lpData), copy.cbData / sizeof(wchar_t));
    address_.resize(wcsnlen(address_.c_str(), address_.size()));
    replyWindow_ = replyWindow;
    ++requests_;
    // The page opens after the request has been answered, as a real web view's navigation does.
    if (behaviour_ == Behaviour::FollowAuthorizePage)
        PostMessageW(self, kAnswerRequest, 0, 0);
    return TRUE;
}

void TestWebView::AnswerRequest(HWND self)
{
    const std::wstring answer = FollowOneStep(address_);
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        answer_ = answer;
    }
    COPYDATASTRUCT copy = {kSignInFinished, static_cast<DWORD>(answer.size() * sizeof(wchar_t)),
                           const_cast<wchar_t*>(answer.c_str())};
    DWORD_PTR result = 0;
    SendMessageTimeoutW(replyWindow_, WM_COPYDATA, reinterpret_cast<WPARAM>(self), reinterpret_cast<LPARAM>(&copy),
                        SMTO_NORMAL | SMTO_ABORTIFHUNG, kSendTimeoutMs, &result);
}

} // namespace TestHost
