// Waits that end within kCancelPollInterval of a stop, and never last longer than asked.
#pragma once

#include "LSCancelCheck.h"

#include <windows.h>

#include <chrono>
#include <functional>

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
