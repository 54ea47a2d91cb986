// Sign-in through the host's web view when no token is cached; refused, abandoned or cut short by a shutdown.
#include "BoxRoadFixture.h"

#include "BoxSignIn.h"
#include "BoxTokenCache.h"
#include "BoxTokenRequests.h"
#include "LSWebViewProcessCallbackClient.h"
#include "TestWebView.h"
#include "ThrownHresult.h"

using namespace BoxRoad;
using namespace std::chrono_literals;
using TestHost::TestWebView;

namespace {

constexpr char kTokenRoute[] = "POST /oauth2/token";

class SignIn : public BoxRoadTest {
protected:
    void SetUp() override
    {
        BoxRoadTest::SetUp();
        Box_20::SetCachedTokens({});
    }
};

constexpr char kNoAuthCode[] = "Failed getting auth code";

TEST_F(SignIn, RunsTheAuthorizePageInTheHostWebViewAndRedeemsTheCode)
{
    TestWebView webView;
    EXPECT_EQ("user", CallUserInfo()["type"].asString());

    EXPECT_EQ(1, webView.Requests());
    const Box_20::OAuthClientConfig client;
    const CStdStr<wchar_t> code = Box_20::GetAuthCodeFromRedirect(webView.LastAnswer(), client.RedirectUri);
    ASSERT_FALSE(code.empty()) << "the authorize page redirected to " << WideToUtf8Lossy(webView.LastAnswer());

    const Json::Value tokenRequests = Journal(kTokenRoute);
    ASSERT_EQ(1u, tokenRequests.size());
    EXPECT_NE(Body(tokenRequests[0]).find("&code=" + WideToUtf8Lossy(code) + "&"), std::string::npos);
    const Json::Value tokens = StandInTokens();
    EXPECT_EQ("Bearer " + tokens["access_token"].asString(), Header(Journal("GET /2.0/users/me")[0], "Authorization"));
    EXPECT_EQ(AnsiToWide(tokens["access_token"].asString()), ReadUserSetting(Box_20::kAccessTokenSetting));
    EXPECT_EQ(AnsiToWide(tokens["refresh_token"].asString()), ReadUserSetting(Box_20::kRefreshTokenSetting));
}

// Without any web view: the refused-refresh case of the token tests.
TEST_F(SignIn, FailsWhenTheWebViewRefusesAndWhenTheUserRefusesConsent)
{
    {
        TestWebView refusing(TestWebView::Behaviour::Refuse);
        EXPECT_EQ(kNoAuthCode, FailureOf([&] { Box_20::GetCachedTokens(informer_.get(), false); }));
    }
    standIn_.Post("switches", ParseJson(R"({"authorize": "deny"})"));
    TestWebView webView;
    EXPECT_EQ(kNoAuthCode, FailureOf([&] { CallUserInfo(); }));
    EXPECT_EQ(1, webView.Requests());
    EXPECT_EQ(0u, Journal(kTokenRoute).size());
    EXPECT_EQ(0u, Journal("GET /2.0/users/me").size());
    EXPECT_EQ(L"", Box_20::GetCachedTokens(informer_.get(), true).AccessToken);
}

TEST_F(SignIn, ShutdownWhileThePageIsOpenAbortsAndASecondSignInIsRefusedMeanwhile)
{
    TestWebView webView(TestWebView::Behaviour::NeverAnswer);
    const auto signIn = [&] { Box_20::GetCachedTokens(informer_.get(), false); };
    std::thread signingIn;
    std::future<HRESULT> result = StartStaCall(signIn, signingIn);
    const bool pageOpen = WaitUntil([&] { return webView.Requests() == 1; }, 10s);

    const std::string second = FailureOf(signIn);
    informer_->RequestStop();
    const bool ended = result.wait_for(5s) == std::future_status::ready;
    signingIn.join();

    EXPECT_TRUE(pageOpen);
    EXPECT_EQ("Blocked from accessing Box tokens, perhaps from another auth dialog", second)
        << "a second sign-in page must not open while one is shown";
    EXPECT_EQ(1, webView.Requests());
    ASSERT_TRUE(ended);
    EXPECT_EQ(E_ABORT, result.get());
    EXPECT_EQ(0u, Journal(kTokenRoute).size());
}

TEST(WebViewClient, GivesUpWhenThePageNeverFinishes)
{
    TestWebView webView(TestWebView::Behaviour::NeverAnswer);
    LSWebViewProcessCallbackClient client;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_TIMEOUT), TestSupport::ThrownHresult([&] {
                  client.RunSignIn(L"http://127.0.0.1:9/authorize", LSCancelCheck(), 300ms);
              }));
    EXPECT_GE(std::chrono::steady_clock::now() - start, 300ms);
    EXPECT_EQ(1, webView.Requests());
}

TEST(RedirectAddress, YieldsTheCodeOnlyFromTheProductsRedirect)
{
    const std::wstring redirect = L"https://www.talvern.com/authredirect.htm?";
    for (const auto& [query, code] : std::vector<std::pair<std::wstring, std::wstring>>{
             {L"state=s&code=abc&x=1", L"abc"}, {L"code=%41b%2dc", L"Ab-c"},
             {L"code=a%26client_id%3Dx", L""}, // it would add form fields
             {L"error=access_denied&error_description=no", L""}})
        EXPECT_EQ(code, Box_20::GetAuthCodeFromRedirect(redirect + query, redirect)) << WideToUtf8Lossy(query);
    EXPECT_EQ(L"", Box_20::GetAuthCodeFromRedirect(L"https://elsewhere.example/authredirect.htm?code=abc", redirect));
}

} // namespace
