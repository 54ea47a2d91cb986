#include "LSCancellableWait.h"

#include <algorithm>
#include <optional>
#include <utility>

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

bool ShouldCancel(const LSCancelCheck& cancel) { return cancel && cancel(); }

DWORD ToWaitMs(Clock::duration duration)
{
    const auto ms = std::chrono::duration_cast<milliseconds>(duration).count();
    return static_cast<DWORD>(std::clamp<decltype(ms)>(ms, 0, kCancelPollInterval.count()));
}

// A WM_QUIT taken from the queue while waiting belongs to the caller's own loop: it is handed
// back once the wait is over.
class MessagePump {
public:
    ~MessagePump()
    {
        if (m_quitSeen)
            ::PostQuitMessage(m_exitCode);
    }

    // Dispatches what is queued, then sleeps until a message arrives, the event (when given) is
    // set or the slice ends.
    void RunFor(DWORD sliceMs, HANDLE event = nullptr)
    {
        DispatchPending();
        ::MsgWaitForMultipleObjectsEx(event != nullptr ? 1 : 0, event != nullptr ? &event : nullptr, sliceMs,
                                      QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        DispatchPending();
    }

private:
    void DispatchPending()
    {
        MSG message;
        while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) {
                m_quitSeen = true;
                m_exitCode = static_cast<int>(message.wParam);
                continue;
            }
            ::TranslateMessage(&message);
            ::DispatchMessageW(&message);
        }
    }

    bool m_quitSeen = false;
    int m_exitCode = 0;
};

} // namespace

LSWaitResult WaitForEventCancellable(HANDLE event, const LSCancelCheck& cancel, milliseconds timeout,
                                     LSWaitMessages messages)
{
    std::optional<MessagePump> pump;
    if (messages == LSWaitMessages::Dispatch)
        pump.emplace();
    const auto deadline = Clock::now() + timeout;
    for (;;) {
        const DWORD sliceMs = ToWaitMs(deadline - Clock::now());
        if (pump)
            pump->RunFor(sliceMs, event);
        if (::WaitForSingleObject(event, pump ? 0 : sliceMs) == WAIT_OBJECT_0)
            return LSWaitResult::Done;
        if (ShouldCancel(cancel))
            return LSWaitResult::Cancelled;
        if (Clock::now() >= deadline)
            return LSWaitResult::TimedOut;
    }
}

LSWaitResult PumpMessagesUntil(const std::function<bool()>& done, const std::function<bool()>& progressed,
                               const LSCancelCheck& cancel, milliseconds noProgressTimeout)
{
    MessagePump pump;
    auto deadline = Clock::now() + noProgressTimeout;
    for (;;) {
        if (done())
            return LSWaitResult::Done;
        if (ShouldCancel(cancel))
            return LSWaitResult::Cancelled;
        if (progressed())
            deadline = Clock::now() + noProgressTimeout;
        else if (Clock::now() >= deadline)
            return LSWaitResult::TimedOut;
        pump.RunFor(ToWaitMs(deadline - Clock::now()));
    }
}

bool SleepPumpingMessages(milliseconds duration, const LSCancelCheck& cancel)
{
    MessagePump pump;
    const auto deadline = Clock::now() + duration;
    for (;;) {
        if (ShouldCancel(cancel))
            return false;
        const auto left = deadline - Clock::now();
        if (left <= Clock::duration::zero())
            return true;
        pump.RunFor(ToWaitMs(left));
    }
}

LSLockResult LSRequestLock::Acquire(const LSCancelCheck& cancel)
{
    if (m_owner.load() == std::this_thread::get_id())
        return LSLockResult::HeldByThisThread;
    const auto signsOfLife = [this] { return m_takes.load() + m_progress.load(); };
    unsigned signsSeen = signsOfLife();
    const auto taken = [this] { return m_mutex.try_lock(); };
    const auto moved = [&signsOfLife, &signsSeen] {
        const unsigned signs = signsOfLife();
        return std::exchange(signsSeen, signs) != signs;
    };
    switch (PumpMessagesUntil(taken, moved, cancel, m_waitTimeout)) {
    case LSWaitResult::Done:
        break;
    case LSWaitResult::Cancelled:
        return LSLockResult::Cancelled;
    case LSWaitResult::TimedOut:
        return LSLockResult::TimedOut;
    }
    m_owner = std::this_thread::get_id();
    ++m_takes;
    return LSLockResult::Taken;
}

void LSRequestLock::Release()
{
    m_owner = std::thread::id();
    m_mutex.unlock();
}
