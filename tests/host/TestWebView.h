#pragma once
// Stand-in for the host's web-view window that runs the filter's sign-in page. It honours the
// filter's sign-in messages (see VESKCommon/Web/LSWebViewProcessCallbackClient.h): it takes a
// WM_COPYDATA asking it to open an address, "opens" it by requesting it over HTTP without
// following the redirect (the Box stand-in's authorize page answers at once with a redirect to
// the product's redirect address carrying code=...), and answers with a WM_COPYDATA carrying the
// redirect address. A message-only window on a thread of its own, registered with the host DLL
// stand-in through SetWebViewProcessHandle_export for as long as it lives.

#include "UniqueResource.h"

#include <windows.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>

namespace TestHost {

class TestWebView {
public:
    enum class Behaviour {
        FollowAuthorizePage, // answer with the page's redirect address
        NeverAnswer,         // take the request, then stay silent (a user who walks away)
        Refuse,              // refuse the request
    };

    explicit TestWebView(Behaviour behaviour = Behaviour::FollowAuthorizePage);
    ~TestWebView();
    TestWebView(const TestWebView&) = delete;
    TestWebView& operator=(const TestWebView&) = delete;

    // Requests taken, and the address the last one asked to open.
    int Requests() const { return requests_; }
    std::wstring LastRequestedAddress() const { return Locked(address_); }
    // What it answered last: the redirect address, or empty when the page gave none.
    std::wstring LastAnswer() const { return Locked(answer_); }

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT TakeRequest(HWND self, HWND replyWindow, const COPYDATASTRUCT& copy);
    void AnswerRequest(HWND self);
    std::wstring Locked(const std::wstring& text) const
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        return text;
    }

    const Behaviour behaviour_;
    TalvernCommon::unique_hmodule hostDll_;
    void(WINAPI* setWebView_)(HWND) = nullptr;
    HWND window_ = nullptr;
    std::thread thread_;
    std::atomic<int> requests_{0};
    mutable std::mutex mutex_;
    std::wstring address_;
    std::wstring answer_;
    HWND replyWindow_ = nullptr;
};

} // namespace TestHost
