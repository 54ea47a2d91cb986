// Asks the host's web-view window to show a sign-in page and waits for the address the page
// ends on (the redirect address, which carries the authorization code).
//
// The host's web view is the window that "GetWebViewProcessHandle_export" of the host's
// "VESK32.dll" returns. The two sides talk by WM_COPYDATA; every text is UTF-16, its cbData in
// bytes, a terminating null optional:
//
//   request  SendMessage(webView, WM_COPYDATA, (WPARAM)replyWindow, &copy)
//            copy.dwData = kLSWebViewOpenSignInPage, copy.lpData = the address to open.
//            The web view answers TRUE when it takes the request, and must answer at once: it
//            opens the page after the message has returned.
//   reply    SendMessage(replyWindow, WM_COPYDATA, (WPARAM)webView, &copy)
//            copy.dwData = kLSWebViewSignInFinished, copy.lpData = the address the navigation
//            ended on (with its query, "code=..." or "error=..."), or an empty text when the
//            user closed the page. The reply window answers TRUE for the first reply from the
//            web view it asked, FALSE for anything else.
//
// The reply window is a message-only window of the waiting thread, alive only while it waits, so
// the web view may sit in another process. The waiting thread dispatches its messages meanwhile.
#pragma once

#include "LSCancelCheck.h"
#include "LSCancellableWait.h"
#include "StdString.h"
#include "UniqueResource.h"

#include <windows.h>

#include <chrono>
#include <optional>
#include <string>

inline constexpr ULONG_PTR kLSWebViewOpenSignInPage = 0x4C535701;
inline constexpr ULONG_PTR kLSWebViewSignInFinished = 0x4C535702;

class LSWebViewProcessCallbackClient {
public:
    // Finds the host's web view and makes the reply window. Throws hresult_exception E_FAIL when
    // the host DLL is not loaded or has no web view.
    LSWebViewProcessCallbackClient();

    LSWebViewProcessCallbackClient(const LSWebViewProcessCallbackClient&) = delete;
    LSWebViewProcessCallbackClient& operator=(const LSWebViewProcessCallbackClient&) = delete;

    // Asks the web view to open the address and waits for its reply. pageOpen: called again and
    // again while the page is open, within the timeout. Throws hresult_exception E_FAIL when the web
    // view refuses, HRESULT_FROM_WIN32(ERROR_TIMEOUT) when no reply comes in time, and the bare
    // HRESULT E_ABORT when the cancel check asks to stop.
    CStdStr<wchar_t> RunSignIn(const std::wstring& address, const LSCancelCheck& cancel,
                               std::chrono::milliseconds timeout, const LSProgressNote& pageOpen = {});

    // What the reply window does with a WM_COPYDATA; TRUE when it took the reply.
    LRESULT TakeReply(HWND sender, const COPYDATASTRUCT& copy);

private:
    HWND m_webView;
    TalvernCommon::unique_hwnd m_replyWindow;
    std::optional<CStdStr<wchar_t>> m_reply;
};
