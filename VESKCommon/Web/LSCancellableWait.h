// Waits that end within kCancelPollInterval of a stop, and never last longer than asked.
#pragma once

#include "LSCancelCheck.h"

#include <windows.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <thread>

enum class LSWaitResult { Done, Cancelled, TimedOut };

// Whether a wait dispatches the calling thread's window messages meanwhile: a wait on the host's
// thread must, or the host freezes; a wait on a worker's thread need not.
enum class LSWaitMessages { Ignore, Dispatch };

// Waits for the event in slices, asking the cancel check between slices and, with Dispatch, after
// each batch of messages; the event ends the wait as soon as it is set.
LSWaitResult WaitForEventCancellable(HANDLE event, const LSCancelCheck& cancel, std::chrono::milliseconds timeout,
                                     LSWaitMessages messages);

// Dispatches the calling thread's window messages until done() answers true, asking the cancel
// check at least every slice. The timeout counts from the last time progressed() answered true,
// so a slow but moving operation is never cut off.
LSWaitResult PumpMessagesUntil(const std::function<bool()>& done, const std::function<bool()>& progressed,
                               const LSCancelCheck& cancel, std::chrono::milliseconds noProgressTimeout);

// Lets the duration pass while dispatching the thread's messages; false when cancelled first.
bool SleepPumpingMessages(std::chrono::milliseconds duration, const LSCancelCheck& cancel);

enum class LSLockResult { Taken, HeldByThisThread, Cancelled, TimedOut };

// Called by a lock's holder, again and again, while the work it does under the lock still moves (a
// block of a transfer arrived, a sign-in page is still within its own time). Empty: nobody listens.
using LSProgressNote = std::function<void()>;

// A process-wide lock that a thread holds across its requests to Box. A thread that finds it held
// waits as for a request: dispatching its window messages, asking the cancel check, and giving up
// once the lock has stayed with one holder that noted no progress for the timeout. The holder
// dispatches its messages while it talks to Box, so a handler on its own thread may ask again:
// that is refused at once, since it would wait for its own thread.
class LSRequestLock {
public:
    // The longest a waiter goes without a sign of life from the holder. A holder that notes its
    // progress may keep the lock longer (a large transfer, a sign-in page that has its own bound);
    // one that notes none for this long is stuck (a handler its dispatch ran that does not return),
    // and its waiters fail clearly rather than hang the host's call.
    static constexpr std::chrono::milliseconds kDefaultWaitTimeout = std::chrono::minutes(10);

    explicit LSRequestLock(std::chrono::milliseconds waitTimeout = kDefaultWaitTimeout) : m_waitTimeout(waitTimeout) {}
    LSRequestLock(const LSRequestLock&) = delete;
    LSRequestLock& operator=(const LSRequestLock&) = delete;

    // Taken: the caller holds the lock and calls Release. Otherwise it does not hold it.
    LSLockResult Acquire(const LSCancelCheck& cancel);
    void Release();

    // For the holder: what it still does under the lock moves, so its waiters wait on.
    void NoteProgress() { ++m_progress; }
    LSProgressNote ProgressNote()
    {
        return [this] { NoteProgress(); };
    }

private:
    std::chrono::milliseconds m_waitTimeout;
    std::mutex m_mutex;
    std::atomic<std::thread::id> m_owner{std::thread::id()};
    // A waiter that sees either move knows the lock changed hands or its holder is still moving.
    std::atomic<unsigned> m_takes{0};
    std::atomic<unsigned> m_progress{0};
};
