// The process-wide lock held across requests: a wait for it has an end even when its holder never lets go.
#include "LSCancellableWait.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <thread>

using namespace std::chrono_literals;

namespace {

// Holds the lock on a thread of its own until told to let go, or at the latest after a while, so
// that a wait that knows no bound fails the test rather than hang it.
class HeldElsewhere {
public:
    explicit HeldElsewhere(LSRequestLock& lock)
        : holder_([&lock, letGo = letGo_.get_future(), taken = std::move(taken_)]() mutable {
              taken.set_value(lock.Acquire({}));
              letGo.wait_for(20s);
              lock.Release();
          })
    {
        EXPECT_EQ(LSLockResult::Taken, takenResult_.get());
    }
    ~HeldElsewhere()
    {
        letGo_.set_value();
        holder_.join();
    }

private:
    std::promise<void> letGo_;
    std::promise<LSLockResult> taken_;
    std::future<LSLockResult> takenResult_ = taken_.get_future();
    std::thread holder_;
};

TEST(RequestLock, AWaitForALockThatNeverChangesHandsEndsAfterItsTimeout)
{
    LSRequestLock lock(300ms);
    {
        const HeldElsewhere held(lock);
        EXPECT_EQ(LSLockResult::TimedOut, lock.Acquire({}));
    }
    ASSERT_EQ(LSLockResult::Taken, lock.Acquire({})) << "a timed-out wait must leave the lock free";
    lock.Release();
}

} // namespace
