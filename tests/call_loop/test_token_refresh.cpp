// One refresh per expiry however many callers meet it; a refused refresh token forgotten unless a newer one is stored.
#include "BoxRoadFixture.h"

#include "BoxCallLoop.h"
#include "BoxConstants.h"
#include "BoxTokenCache.h"
#include "BoxTokenLocks.h"

using namespace BoxRoad;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

namespace {

constexpr char kUserInfoRoute[] = "GET /2.0/users/me";
constexpr char kTokenRoute[] = "POST /oauth2/token";

class TokenRefresh : public BoxRoadTest {
protected:
    int UnauthorizedSends() const
    {
        int unauthorized = 0;
        for (const Json::Value& send : Journal(kUserInfoRoute))
            unauthorized += send["status"].asInt() == 401 ? 1 : 0;
        return unauthorized;
    }
};

// The renewed pair is where the next process looks for it.
TEST_F(TokenRefresh, UnauthorizedRefreshStoresTheNewPairAndPauses)
{
    ExpireAccessToken();
    const auto start = Clock::now();
    EXPECT_EQ("user", CallUserInfo()["type"].asString());
    const auto elapsed = Clock::now() - start;

    const Json::Value tokens = StandInTokens();
    EXPECT_EQ(AnsiToWide(tokens["access_token"].asString()), ReadUserSetting(Box_20::kAccessTokenSetting));
    EXPECT_EQ(AnsiToWide(tokens["refresh_token"].asString()), ReadUserSetting(Box_20::kRefreshTokenSetting));
    EXPECT_GE(elapsed, 500ms) << "the loop pauses after a refresh";
}

TEST_F(TokenRefresh, TwoCallersOnOneExpiredTokenRefreshItOnce)
{
    ExpireAccessToken();
    // Both first requests are held long enough that both callers meet the 401.
    AddFault(R"({"method":"GET","path":"/2.0/users/me","action":"pass","delay_ms":300,"times":2})");
    std::atomic<int> succeeded{0};
    const auto call = [&] {
        try {
            if (CallUserInfo()["type"].asString() == "user")
                ++succeeded;
        } catch (...) {
        }
    };
    std::thread first = StartStaThread(call);
    std::thread second = StartStaThread(call);
    first.join();
    second.join();

    EXPECT_EQ(2, succeeded.load());
    EXPECT_EQ(1, StandInTokens()["refresh_count"].asInt());
    EXPECT_EQ(2, UnauthorizedSends()) << "both callers must have met the expired token";
}

TEST_F(TokenRefresh, RefusedRefreshForgetsBothTokensAndTheNextCallSignsIn)
{
    Box_20::SetCachedTokens({L"initialaccesstoken", L"refusedrefreshtoken"});
    ExpireAccessToken();

    EXPECT_EQ(400, HttpStatusOf([&] { CallUserInfo(); })) << "a refused refresh token must reach the caller";
    const Box_20::RefreshTokensType forgotten = Box_20::GetCachedTokens(informer_.get(), true);
    EXPECT_EQ(L"", forgotten.AccessToken + forgotten.RefreshToken);
    EXPECT_EQ(L"", ReadUserSetting(Box_20::kAccessTokenSetting));
    EXPECT_EQ(L"", ReadUserSetting(Box_20::kRefreshTokenSetting));
    EXPECT_NE(Body(Journal(kTokenRoute)[0]).find("refresh_token=refusedrefreshtoken&"), std::string::npos);

    // No web view is registered here, so the sign-in the next call starts cannot get a code.
    EXPECT_EQ("Failed getting auth code", FailureOf([&] { CallUserInfo(); }));
    EXPECT_EQ(1u, Journal(kUserInfoRoute).size());
}

TEST_F(TokenRefresh, RefusedRefreshKeepsTheNewerPairAnotherProcessStored)
{
    // Another process refreshed first: Box moved on to its pair, which it stored in the settings.
    standIn_.Post("tokens", ParseJson(R"({"access_token": "otheraccesstoken", "refresh_token": "otherrefreshtoken"})"));
    settings_.SetString(SettingsSource::User, Box_20::kAccessTokenSetting, L"otheraccesstoken");
    settings_.SetString(SettingsSource::User, Box_20::kRefreshTokenSetting, L"otherrefreshtoken");

    EXPECT_THROW(CallUserInfo(), LSHttpError);

    EXPECT_EQ(L"otheraccesstoken", ReadUserSetting(Box_20::kAccessTokenSetting));
    EXPECT_EQ(L"otherrefreshtoken", ReadUserSetting(Box_20::kRefreshTokenSetting));
    EXPECT_EQ(L"otherrefreshtoken", Box_20::GetCachedTokens(informer_.get(), true).RefreshToken);
    EXPECT_EQ("user", CallUserInfo()["type"].asString());
    EXPECT_EQ("Bearer otheraccesstoken", Header(Journal(kUserInfoRoute)[1], "Authorization"));
}

TEST_F(TokenRefresh, RefreshReplyWithoutRefreshTokenStoresNothing)
{
    AddFault(R"({"method":"POST","path":"/oauth2/token","status":200,
                 "json":{"access_token":"halfapair","token_type":"bearer"}})");
    ExpireAccessToken();

    EXPECT_EQ(L"Box_20::RetrieveAccessToken empty refresh token", ApiErrorOf([&] { CallUserInfo(); }));
    EXPECT_EQ(L"initialaccesstoken", Box_20::GetCachedTokens(informer_.get(), true).AccessToken);
    EXPECT_EQ(L"initialaccesstoken", ReadUserSetting(Box_20::kAccessTokenSetting));
}

// A host window's handler calls Box itself while the refresh dispatches the thread's messages.
TEST_F(TokenRefresh, BoxCallFromAMessageHandledDuringTheRefreshFailsAtOnce)
{
    ExpireAccessToken();
    AddFault(R"({"method":"POST","path":"/oauth2/token","action":"pass","delay_ms":1500})");
    std::string nested = "no answer";
    std::string outer;
    const bool ran = RunWithNestedCall([&] { outer = CallUserInfo()["type"].asString(); },
                                       [&] { nested = FailureOf([&] { CallUserInfo(); }); },
                                       [&] { return Journal(kTokenRoute).size() == 1u; });

    ASSERT_TRUE(ran);
    EXPECT_EQ("Blocked from accessing Box tokens, perhaps from another auth dialog", nested);
    EXPECT_EQ("user", outer);
    EXPECT_EQ(1, StandInTokens()["refresh_count"].asInt());
}

// A second host thread that meets the same expiry waits for the first one's refresh as for a
// request: both windows answer while Box holds the token request, and the host's stop ends the wait.
TEST_F(TokenRefresh, AThreadWaitingForAnotherThreadsRefreshAnswersItsWindowAndStops)
{
    ExpireAccessToken();
    AddFault(R"({"method":"POST","path":"/oauth2/token","action":"pass","delay_ms":4000})");
    const auto tokenRequestHeld = [&] {
        const Json::Value sends = Journal(kTokenRoute);
        return sends.size() == 1 && sends[0]["status"].isNull();
    };
    std::string refreshed;
    HostThread refresher([&] { refreshed = CallUserInfo()["type"].asString(); });
    const bool refreshing = WaitUntil([&] { return Journal(kTokenRoute).size() == 1u; }, 10s);

    const auto waiterInformer = TestHost::TestShutdownInformer::Create();
    HostThread waiter([&] {
        Box_20::CallBoxAPI(UserInfoUrl(), waiterInformer.get(), Box_20::BoxConstants().VerbGet, _variant_t(), false);
    });
    const bool got401 = refreshing && WaitUntil([&] { return UnauthorizedSends() == 2; }, 10s);
    const long queries = waiterInformer->StopQueries();
    const bool waiting = got401 && WaitUntil([&] { return waiterInformer->StopQueries() >= queries + 3; }, 10s);

    waiter.PostToWindow();
    refresher.PostToWindow();
    const bool answered = WaitUntil([&] { return waiter.Answered() == 1 && refresher.Answered() == 1; }, 10s);
    const bool answeredWhileHeld = answered && tokenRequestHeld();
    waiterInformer->RequestStop();
    const bool stopped = WaitUntil([&] { return waiter.Ended(); }, 10s);
    const bool stoppedWhileHeld = stopped && tokenRequestHeld();

    ASSERT_TRUE(waiting) << "the second thread never waited for the refresh";
    EXPECT_TRUE(answeredWhileHeld) << "a window did not answer while another thread refreshed";
    EXPECT_TRUE(stoppedWhileHeld) << "the stop did not end the wait for the refresh";
    EXPECT_EQ(E_ABORT, waiter.Result());
    EXPECT_EQ(S_OK, refresher.Result());
    EXPECT_EQ("user", refreshed);
    EXPECT_EQ(1, StandInTokens()["refresh_count"].asInt());
}

TEST_F(TokenRefresh, ShutdownWhileWaitingForTheRefreshLockAbortsPromptly)
{
    ExpireAccessToken();
    ASSERT_EQ(LSLockResult::Taken, Box_20::BoxTokenRefreshLock.Acquire({}));
    std::thread caller;
    std::future<HRESULT> result = StartStaCall([&] { CallUserInfo(); }, caller);

    // The caller has its 401 and now asks the informer between tries of the lock.
    const bool got401 = WaitUntil(
        [&] {
            const Json::Value sends = Journal(kUserInfoRoute);
            return sends.size() == 1 && sends[0]["status"].asInt() == 401;
        },
        10s);
    const long queries = informer_->StopQueries();
    const bool waiting = got401 && WaitUntil([&] { return informer_->StopQueries() >= queries + 3; }, 10s);
    informer_->RequestStop();
    const bool ended = result.wait_for(5s) == std::future_status::ready;
    Box_20::BoxTokenRefreshLock.Release();
    caller.join();

    EXPECT_TRUE(waiting);
    ASSERT_TRUE(ended) << "the caller did not end after the shutdown";
    EXPECT_EQ(E_ABORT, result.get());
    EXPECT_EQ(0, StandInTokens()["refresh_count"].asInt());
}

} // namespace
