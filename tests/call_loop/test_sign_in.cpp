// The sign-in when no token is cached: the authorize page in the host's web view, the code from
// its redirect, the code redeemed; and what happens when the user refuses, walks away or the
// host shuts down meanwhile.
#include "BoxRoadFixture.h"

#include "BoxCallLoop.h"
#include "BoxConstants.h"
#include "BoxSignIn.h"
#include "BoxTokenCache.h"
#include "BoxTokenRequests.h"
#include "BoxUrlBuilders.h"
#include "HResultException.h"
#include "LSWebViewProcessCallbackClient.h"
#include "TestWebView.h"
#include "Utf8Converter.h"


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
    EXPECT_EQ(Box_20::GetAuthorizeUrl(), webView.LastRequestedAddress());
    const Box_20::OAuthClientConfig client;
    const CStdStr<wchar_t> code = Box_20::GetAuthCodeFromRedirect(webView.LastAnswer(), client.RedirectUri);
    ASSERT_FALSE(code.empty()) << "the authorize page redirected to " << WideToUtf8Lossy(webView.LastAnswer());

    const Json::Value tokenRequests = Journal(kTokenRoute);
    ASSERT_EQ(1u, tokenRequests.size());
    EXPECT_EQ("grant_type=authorization_code&code=" + WideToUtf8Lossy(code) +
                  "&client_id=" + WideToUtf8Lossy(client.ClientId) +
                  "&client_secret=" + WideToUtf8Lossy(client.ClientSecret),
              Body(tokenRequests[0]));
    const Json::Value tokens = StandInTokens();
    EXPECT_EQ("Bearer " + tokens["access_token"].asString(),
              Header(Journal("GET /2.0/users/me")[0], "Authorization"));
    EXPECT_EQ(AnsiToWide(tokens["access_token"].asString()), ReadUserSetting(Box_20::kAccessTokenSetting));
    EXPECT_EQ(AnsiToWide(tokens["refresh_token"].asString()), ReadUserSetting(Box_20::kRefreshTokenSetting));
}

TEST_F(SignIn, FailsWithoutAWebViewWhenTheWebViewRefusesAndWhenTheUserRefusesConsent)
{
    const auto signIn = [&] { Box_20::GetCachedTokens(informer_.get(), false); };
    EXPECT_EQ(kNoAuthCode, FailureOf(signIn));
    {
        TestWebView refusing(TestWebView::Behaviour::Refuse);
        EXPECT_EQ(kNoAuthCode, FailureOf(signIn));
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
    try {
        client.RunSignIn(L"http://127.0.0.1:9/authorize", LSCancelCheck(), 300ms);
        FAIL() << "a page that never finishes must time out";
    } catch (const hresult_exception& error) {
        EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_TIMEOUT), error.hr());
    }
    EXPECT_GE(std::chrono::steady_clock::now() - start, 300ms);
    EXPECT_EQ(1, webView.Requests());
}

struct RedirectCase {
    const char* name;
    const wchar_t* address;
    const wchar_t* code;
};

constexpr wchar_t kRedirect[] = L"https://www.talvern.com/authredirect.htm?";

const RedirectCase kRedirectCases[] = {
    {"CodeAmongOtherParameters", L"https://www.talvern.com/authredirect.htm?state=s&code=abc&x=1", L"abc"},
    {"PercentEncodedCode", L"https://www.talvern.com/authredirect.htm?code=%41b%2dc", L"Ab-c"},
    {"CodeThatWouldAddFormFields", L"https://www.talvern.com/authredirect.htm?code=a%26client_id%3Dx", L""},
    {"RefusalCarriesNoCode", L"https://www.talvern.com/authredirect.htm?error=access_denied&error_description=no",
     L""},
    {"AnotherPage", L"https://elsewhere.example/authredirect.htm?code=abc", L""},
};

class RedirectAddress : public ::testing::TestWithParam<RedirectCase> {};

TEST_P(RedirectAddress, YieldsTheCodeOnlyFromTheProductsRedirect)
{
    EXPECT_EQ(GetParam().code, Box_20::GetAuthCodeFromRedirect(GetParam().address, kRedirect));
}

INSTANTIATE_TEST_SUITE_P(SignIn, RedirectAddress, ::testing::ValuesIn(kRedirectCases), CaseName());

} // namespace
