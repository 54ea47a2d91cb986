#pragma once
// Stand-in for the host's web-view window that runs the filter's sign-in page: a message-only window
// on a thread of its own, registered with the host DLL stand-in while it lives. It "opens" the page
// it is asked for by one HTTP request (the Box stand-in's authorize page redirects at once) and
// answers with the redirect address.

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

    int Requests() const { return requests_; }
    // What it answered last: the redirect address, or empty when the page gave none.
    std::wstring LastAnswer() const
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        return answer_;
    }

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT TakeRequest(HWND self, HWND replyWindow, const COPYDATASTRUCT& copy);
    void AnswerRequest(HWND self);

    const Behaviour behaviour_;
    TalvernCommon::unique_hmodule hostDll_;
    void(WINAPI* setWebView_)(HWND) = nullptr;
    HWND window_ = nullptr;
    std::thread thread_;
    std::atomic<int> requests_{0};
    // The request's address and reply window live on the window's thread; the answer is read from others.
    std::wstring address_;
    HWND replyWindow_ = nullptr;
    mutable std::mutex mutex_;
    std::wstring answer_;
};

} // namespace TestHost
