#include "LSWebViewProcessCallbackClient.h"

#include "HResultException.h"
#include "LSCancellableWait.h"

#include <algorithm>

namespace {

using TalvernCommon::unique_hmodule;
using TalvernCommon::unique_hwnd;

constexpr wchar_t kHostDllName[] = L"VESK32.dll";
constexpr char kWebViewExport[] = "GetWebViewProcessHandle_export";
constexpr wchar_t kReplyWindowClass[] = L"LSWebViewProcessCallbackReply";
// A web view that takes longer than this to accept a request is hung.
constexpr UINT kRequestAcceptTimeoutMs = 10000;
// Longest address taken from a reply, in characters.
constexpr size_t kMaxReplyLength = 64 * 1024;

using GetWebViewProcessHandleFunction = HWND(WINAPI*)();

HINSTANCE ThisModule()
{
    HMODULE module = nullptr;
    ::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                         reinterpret_cast<LPCWSTR>(&ThisModule), &module);
    return module;
}

// Only the copy of the host DLL that the host itself loaded knows its window; a copy loaded here
// would answer null, so the DLL is looked up, never loaded.
HWND FindHostWebView()
{
    unique_hmodule host;
    if (!::GetModuleHandleExW(0, kHostDllName, host.put()))
        throw hresult_exception(E_FAIL, "Sign-in needs the host's web view, but VESK32.dll is not loaded");
    // Through void(*)(): the cast that tells the compiler a FARPROC's real type is known.
    const auto getWebView = reinterpret_cast<GetWebViewProcessHandleFunction>(
        reinterpret_cast<void (*)()>(::GetProcAddress(host.get(), kWebViewExport)));
    if (getWebView == nullptr)
        throw hresult_exception(E_FAIL, "VESK32.dll does not export GetWebViewProcessHandle_export");
    const HWND webView = getWebView();
    if (webView == nullptr || !::IsWindow(webView))
        throw hresult_exception(E_FAIL, "The host has no web-view window for the sign-in");
    return webView;
}

LRESULT CALLBACK ReplyWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message != WM_COPYDATA)
        return ::DefWindowProcW(window, message, wParam, lParam);
    auto* client = reinterpret_cast<LSWebViewProcessCallbackClient*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    const auto* copy = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
    if (client == nullptr || copy == nullptr)
        return FALSE;
    try {
        return client->TakeReply(reinterpret_cast<HWND>(wParam), *copy);
    } catch (...) {
        return FALSE; // no exception may cross a window procedure
    }
}

// Registered once for the module and unregistered when the module goes, so that a reloaded DLL
// never meets a class whose window procedure lies in its unloaded predecessor.
class ReplyWindowClass {
public:
    ReplyWindowClass()
    {
        WNDCLASSEXW windowClass = {};
        windowClass.cbSize = sizeof(windowClass);
        windowClass.lpfnWndProc = ReplyWindowProc;
        windowClass.hInstance = ThisModule();
        windowClass.lpszClassName = kReplyWindowClass;
        m_atom = ::RegisterClassExW(&windowClass);
    }
    ~ReplyWindowClass()
    {
        if (m_atom != 0)
            ::UnregisterClassW(kReplyWindowClass, ThisModule());
    }
    ReplyWindowClass(const ReplyWindowClass&) = delete;
    ReplyWindowClass& operator=(const ReplyWindowClass&) = delete;

    bool Registered() const { return m_atom != 0; }

private:
    ATOM m_atom = 0;
};

unique_hwnd CreateReplyWindow(LSWebViewProcessCallbackClient* client)
{
    static const ReplyWindowClass windowClass;
    if (!windowClass.Registered())
        throw hresult_exception(HRESULT_FROM_WIN32(::GetLastError()), "Cannot register the sign-in reply window");
    unique_hwnd window(::CreateWindowExW(0, kReplyWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                         ThisModule(), nullptr));
    if (!window)
        throw hresult_exception(HRESULT_FROM_WIN32(::GetLastError()), "Cannot create the sign-in reply window");
    ::SetWindowLongPtrW(window.get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(client));
    return window;
}

void RequestSignInPage(HWND webView, HWND replyWindow, const std::wstring& address)
{
    COPYDATASTRUCT copy = {};
    copy.dwData = kLSWebViewOpenSignInPage;
    copy.cbData = static_cast<DWORD>((address.size() + 1) * sizeof(wchar_t));
    copy.lpData = const_cast<wchar_t*>(address.c_str());
    DWORD_PTR accepted = FALSE;
    // Not SMTO_BLOCK: a web view that replies at once must reach the reply window meanwhile.
    if (!::SendMessageTimeoutW(webView, WM_COPYDATA, reinterpret_cast<WPARAM>(replyWindow),
                               reinterpret_cast<LPARAM>(&copy), SMTO_NORMAL | SMTO_ABORTIFHUNG,
                               kRequestAcceptTimeoutMs, &accepted) ||
        accepted == FALSE)
        throw hresult_exception(E_FAIL, "The host's web view did not take the sign-in request");
}

CStdStr<wchar_t> TextOfCopy(const COPYDATASTRUCT& copy)
{
    if (copy.lpData == nullptr)
        return {};
    const size_t length = std::min<size_t>(copy.cbData / sizeof(wchar_t), kMaxReplyLength);
    const auto* text = static_cast<const wchar_t*>(copy.lpData);
    return CStdStr<wchar_t>(std::wstring(text, std::find(text, text + length, L'\0')));
}

} // namespace

LSWebViewProcessCallbackClient::LSWebViewProcessCallbackClient()
    : m_webView(FindHostWebView()), m_replyWindow(CreateReplyWindow(this))
{
}

CStdStr<wchar_t> LSWebViewProcessCallbackClient::RunSignIn(const std::wstring& address, const LSCancelCheck& cancel,
                                                           std::chrono::milliseconds timeout,
                                                           const LSProgressNote& pageOpen)
{
    m_reply.reset();
    RequestSignInPage(m_webView, m_replyWindow.get(), address);
    const auto answered = [this] { return m_reply.has_value(); };
    // The page's bound counts from its start, whatever the user does meanwhile; until it is over,
    // pageOpen hears at every slice that the page is still open.
    const auto noteOpenPage = [&pageOpen] {
        if (pageOpen)
            pageOpen();
        return false;
    };
    switch (PumpMessagesUntil(answered, noteOpenPage, cancel, timeout)) {
    case LSWaitResult::Done:
        return *m_reply;
    case LSWaitResult::Cancelled:
        throw E_ABORT;
    case LSWaitResult::TimedOut:
        break;
    }
    throw hresult_exception(HRESULT_FROM_WIN32(ERROR_TIMEOUT), "The sign-in page did not finish in time");
}

LRESULT LSWebViewProcessCallbackClient::TakeReply(HWND sender, const COPYDATASTRUCT& copy)
{
    if (sender != m_webView || copy.dwData != kLSWebViewSignInFinished || m_reply.has_value())
        return FALSE;
    m_reply = TextOfCopy(copy);
    return TRUE;
}
