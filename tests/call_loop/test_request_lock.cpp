// The process-wide lock held across requests: a waiter waits on while the lock changes hands or its
// holder is still moving (a transfer whose blocks arrive, a sign-in page still open), and gives up
// only behind a holder that shows no sign of life for the wait's bound.
#include "BoxRoadFixture.h"

#include "BoxTokenCache.h"
#include "LSBaseWS.h"
#include "LSCancellableWait.h"
#include "ScratchFolder.h"
#include "TestWebView.h"
#include "ThrownHresult.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <future>
#include <memory>
#include <string>
#include <thread>

using namespace BoxRoad;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

namespace {

constexpr auto kBound = 800ms;
// How long the holders that show signs of life keep the lock: several bounds.
constexpr auto kBusy = 3 * kBound;

// Takes the lock on a thread of its own, then does what holding it takes, which lets go of it in the end.
class HeldElsewhere {
public:
    HeldElsewhere(LSRequestLock& lock, std::function<void()> holding)
        : holder_(StartStaThread([&lock, holding = std::move(holding), taken = taken_] {
              const LSLockResult result = lock.Acquire({});
              taken->set_value(result);
              if (result == LSLockResult::Taken)
                  holding();
          }))
    {
        EXPECT_EQ(LSLockResult::Taken, takenResult_.get());
    }
    ~HeldElsewhere() { holder_.join(); }
    HeldElsewhere(const HeldElsewhere&) = delete;
    HeldElsewhere& operator=(const HeldElsewhere&) = delete;

private:
    std::shared_ptr<std::promise<LSLockResult>> taken_ = std::make_shared<std::promise<LSLockResult>>();
    std::future<LSLockResult> takenResult_ = taken_->get_future();
    std::thread holder_;
};

// What the waiter got, and how long it waited.
struct Waited {
    LSLockResult result;
    Clock::duration time;
};

Waited WaitFor(LSRequestLock& lock)
{
    const auto start = Clock::now();
    const LSLockResult result = lock.Acquire({});
    const Waited waited{result, Clock::now() - start};
    if (result == LSLockResult::Taken)
        lock.Release();
    return waited;
}

// Lets go and takes it again at once, as a busy sync's requests do one after another, until kBusy has passed.
void ChangeHandsAgainAndAgain(LSRequestLock& lock)
{
    for (const auto end = Clock::now() + kBusy;;) {
        std::this_thread::sleep_for(20ms);
        lock.Release();
        if (Clock::now() >= end || lock.Acquire({}) != LSLockResult::Taken)
            return;
    }
}

void NoteProgressAWhile(LSRequestLock& lock)
{
    for (const auto end = Clock::now() + kBusy; Clock::now() < end;) {
        std::this_thread::sleep_for(20ms);
        lock.NoteProgress();
    }
    lock.Release();
}

TEST(RequestLock, AWaiterWaitsOnWhileTheLockChangesHandsOrItsHolderNotesProgress)
{
    const std::pair<const char*, void (*)(LSRequestLock&)> holdings[] = {
        {"changes hands", ChangeHandsAgainAndAgain}, {"notes progress", NoteProgressAWhile}};
    for (const auto& [name, holding] : holdings) {
        SCOPED_TRACE(name);
        LSRequestLock lock(kBound);
        Waited waited{};
        {
            const HeldElsewhere held(lock, [&] { holding(lock); });
            waited = WaitFor(lock);
        }
        EXPECT_EQ(LSLockResult::Taken, waited.result);
        EXPECT_GT(waited.time, kBound) << "the holding is to last longer than the bound";
    }
}

TEST(RequestLock, AWaitForALockThatNeverChangesHandsEndsAfterItsTimeout)
{
    LSRequestLock lock(300ms);
    {
        std::promise<void> letGo;
        // Let go of at the latest after a while, so that a wait that knows no bound fails the test rather than hang it.
        const HeldElsewhere held(lock, [&lock, waiterDone = letGo.get_future().share()] {
            waiterDone.wait_for(20s);
            lock.Release();
        });
        EXPECT_EQ(LSLockResult::TimedOut, lock.Acquire({}));
        letGo.set_value();
    }
    ASSERT_EQ(LSLockResult::Taken, lock.Acquire({})) << "a timed-out wait must leave the lock free";
    lock.Release();
}

// A real holder's signs of life: the blocks of a download. Box's download address lies outside its
// API, so this is no road of the API.
class RequestLockDownload : public ::testing::Test {
protected:
    void SetUp() override { standIn_.Reset(); }

    // A GET of the file's content, following Box's redirect, into a scratch file; the lock hears of each block.
    void DownloadHolding(LSRequestLock& lock, const std::string& fileId)
    {
        const std::wstring content = standIn_.BaseUrlWide() + L"/2.0/files/" + AnsiToWide(fileId) + L"/content";
        const std::wstring auth =
            L"Authorization: Bearer " + AnsiToWide(standIn_.Get("tokens")["access_token"].asString()) + L"\r\n";
        downloaded_ = TestSupport::ThrownHresult([&] {
            CLSBaseWS::DownloadFile(content, scratch_.File(L"content.bin"), nullptr, auth, lock.ProgressNote());
        });
        lock.Release();
    }

    TestSupport::BoxStandIn standIn_ = TestSupport::BoxStandIn::FromEnvironment();
    ScratchFolder scratch_;
    HRESULT downloaded_ = E_PENDING;
};

TEST_F(RequestLockDownload, AWaiterWaitsOnBehindADownloadWhoseBlocksArriveAndGivesUpBehindOneThatStalls)
{
    constexpr uint64_t kSpilledSize = 24ULL * 1024 * 1024;
    const std::string moving = standIn_.SeedPatternFile("moving.bin", kSpilledSize, 1);
    // A block of 1 MiB every tenth of a second: seconds for the whole, and never a bound without one.
    standIn_.SetSwitches(ParseJson(R"({"reply_send_pace_ms": 100})"));
    LSRequestLock lock(kBound);
    Waited waited{};
    {
        const HeldElsewhere held(lock, [&] { DownloadHolding(lock, moving); });
        waited = WaitFor(lock);
    }
    EXPECT_EQ(LSLockResult::Taken, waited.result);
    EXPECT_GT(waited.time, kBound) << "the download is to last longer than the bound";
    EXPECT_EQ(S_OK, downloaded_);
    EXPECT_EQ(kSpilledSize, std::filesystem::file_size(scratch_.File(L"content.bin")));

    const std::string stalled = standIn_.SeedPatternFile("stalled.bin", 1000, 2);
    Json::Value silence = ParseJson(R"({"method": "GET", "action": "pass"})");
    silence["path"] = "/2.0/files/" + stalled + "/content";
    silence["delay_ms"] = static_cast<Json::Int>(std::chrono::milliseconds(kBusy).count());
    standIn_.AddFault(silence);
    {
        const HeldElsewhere held(lock, [&] { DownloadHolding(lock, stalled); });
        waited = WaitFor(lock);
    }
    EXPECT_EQ(LSLockResult::TimedOut, waited.result);
    EXPECT_EQ(S_OK, downloaded_) << "the stalled download itself ends well once its reply comes";
}

// A real holder's signs of life: a sign-in page that is still open, through the token cache.
using RequestLockSignIn = BoxRoadTest;

TEST_F(RequestLockSignIn, AWaiterWaitsOnBehindASignInPageThatIsStillOpen)
{
    Box_20::SetCachedTokens({});
    const TestHost::TestWebView webView(TestHost::TestWebView::Behaviour::NeverAnswer);
    LSRequestLock lock(kBound);
    HRESULT signedIn = E_PENDING;
    Waited waited{};
    {
        const HeldElsewhere held(lock, [&] {
            signedIn = TestSupport::ThrownHresult(
                [&] { Box_20::GetCachedTokens(informer_.get(), false, lock.ProgressNote()); });
            lock.Release();
        });
        EXPECT_TRUE(WaitUntil([&] { return webView.Requests() == 1; }, 10s));
        // The user leaves the page open for several bounds; then the host shuts down.
        std::thread stopper([this] {
            std::this_thread::sleep_for(kBusy);
            informer_->RequestStop();
        });
        waited = WaitFor(lock);
        stopper.join();
    }
    EXPECT_EQ(LSLockResult::Taken, waited.result);
    EXPECT_GT(waited.time, kBound) << "the page is to stay open longer than the bound";
    EXPECT_EQ(E_ABORT, signedIn);
}

} // namespace
