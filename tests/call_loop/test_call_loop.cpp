// Which replies the call loop sends again, how often, with what pauses, and what the caller sees.
#include "BoxRoadFixture.h"

#include "BoxCallLoop.h"
#include "BoxConstants.h"
#include "BoxServiceTable.h"
#include "BoxUrlBuilders.h"
#include "LSResources.h"
#include "ThrownHresult.h"

using namespace BoxRoad;
using Clock = std::chrono::steady_clock;

namespace {

constexpr char kUserInfoRoute[] = "GET /2.0/users/me";

struct RetryCase {
    const char* name;
    // The replies the stand-in gives to the user-info request before it answers normally.
    const char* replies;
    int expectedSends;
    // 0: the call succeeds; else the status of the LSHttpError the caller gets.
    int expectedStatus;
};

const RetryCase kRetryCases[] = {
    {"ServerErrorsSixTimes", R"([{"status":502,"times":3},{"status":500,"times":3}])", 6, 500},
    {"UnauthorizedOnTheSixthSendIsNotRefreshed", R"([{"status":500,"times":5},{"status":401}])", 6, 401},
    {"TooManyRequestsWaitsItsRetryAfter", R"([{"status":429,"headers":{"Retry-After":"1"}}])", 2, 0},
    {"ServiceUnavailableWaitsItsRetryAfter", R"([{"status":503,"headers":{"Retry-After":"1"}}])", 2, 0},
    {"ThrottlingCountsAgainstTheSendLimit",
     R"([{"status":500,"times":4},{"status":429,"headers":{"Retry-After":"1"},"times":2}])", 6, 429},
    {"ServiceUnavailableWithoutRetryAfterIsLeftToTheCaller", R"([{"status":503}])", 1, 503},
    {"SchemaValidationFailureIsNotRepeated",
     R"([{"status":500,"metadata_error":{"code":"schema_validation_failed","message":"bad"}}])", 1, 500},
};

class RetryMatrix : public BoxRoadTest, public ::testing::WithParamInterface<RetryCase> {};

TEST_P(RetryMatrix, SendsAsOftenAsTheReplyDeserves)
{
    const RetryCase& retry = GetParam();
    AddFault(std::string(R"({"method":"GET","path":"/2.0/users/me","replies":)") + retry.replies + "}");

    const auto start = Clock::now();
    EXPECT_EQ(retry.expectedStatus, HttpStatusOf([&] { EXPECT_EQ("user", CallUserInfo()["type"].asString()); }));
    const auto elapsed = Clock::now() - start;

    EXPECT_EQ(retry.expectedSends, static_cast<int>(Journal(kUserInfoRoute).size()));
    EXPECT_EQ(0, StandInTokens()["refresh_count"].asInt()) << "no reply here calls for new tokens";
    // Every repeat after 500 or 502 waits 200 ms first.
    EXPECT_GE(elapsed, std::chrono::milliseconds(200) * (retry.expectedSends - 1));
}

INSTANTIATE_TEST_SUITE_P(CallLoop, RetryMatrix, ::testing::ValuesIn(kRetryCases), CaseName());

using CallLoop = BoxRoadTest;

TEST_F(CallLoop, ShutdownEndsTheWaitForARetryAfter)
{
    AddFault(R"({"method":"GET","path":"/2.0/users/me","status":429,"headers":{"Retry-After":"3600"}})");
    std::thread stopper([&] {
        WaitUntil([&] { return Journal(kUserInfoRoute).size() == 1u; }, std::chrono::seconds(10));
        informer_->RequestStop();
    });
    const auto start = Clock::now();
    EXPECT_EQ(E_ABORT, TestSupport::ThrownHresult([&] { CallUserInfo(); }));
    stopper.join();
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(10));
    EXPECT_EQ(1u, Journal(kUserInfoRoute).size());
}

TEST_F(CallLoop, SchemaValidationFailureCarriesTheExplanationAndTheReply)
{
    AddFault(R"({"method":"POST","path":"/2.0/files/*/metadata/*/*","status":400,
                 "metadata_error":{"code":"schema_validation_failed","message":"bad field"}})");
    CStdStr<wchar_t> explanation;
    ASSERT_TRUE(LoadResourceString(4259, explanation));
    try {
        Box_20::CallBoxAPI(Box_20::GetFingerprintMetadataUrl(L"fp", L"123", L"77"), informer_.get(),
                           Box_20::BoxConstants().VerbPost, _variant_t(L"{\"fingerprint\":\"x\"}\n"), false);
        FAIL() << "a refused metadata body must fail";
    } catch (const LSHttpError& error) {
        EXPECT_EQ(400, error.GetStatus());
        const CStdStr<wchar_t> prefix = explanation + L"\n";
        EXPECT_EQ(prefix, error.GetMessage().substr(0, prefix.size()));
        EXPECT_NE(std::wstring::npos, error.GetMessage().find(L"schema_validation_failed", prefix.size()));
    }
    EXPECT_EQ(1u, Journal("POST /2.0/files/{file_id}/metadata/{scope}/{template_key}").size());
}

TEST_F(CallLoop, RequestsCarryBearerAndContentTypeAnEmptyReplyIsNullForSingleOperationsAFailureForRichOnes)
{
    AddFault(R"({"method":"POST","path":"/api/2.0/files/content","status":201,"json":{"entries":[{"id":"9"}]}})");
    std::unique_ptr<ILSHttpRequest> request;
    Box_20::CallBoxAPIWithRetry(request, UserInfoUrl(), informer_.get(), Box_20::BoxConstants().VerbGet,
                                _variant_t(), false);
    Box_20::CallBoxAPIWithRetry(request, Box_20::GetUploadServiceUrl(Box_20::ServiceUploadFile, {}), informer_.get(),
                                Box_20::BoxConstants().VerbPost, _variant_t(L"--body--"), true);

    const std::string bearer = "Bearer " + StandInTokens()["access_token"].asString();
    for (const Json::Value& entry : Journal()) {
        EXPECT_EQ(bearer, Header(entry, "Authorization")) << entry["request_line"].asString();
        EXPECT_EQ("OAUTH2", Header(entry, "Auth-Type"));
        EXPECT_EQ("application/json", Header(entry, "Accept"));
    }
    EXPECT_EQ("application/json", Header(Journal(kUserInfoRoute)[0], "Content-Type"));

    // A reply without a body.
    AddFault(R"({"method":"GET","path":"/2.0/users/me","status":200,"times":2})");

    EXPECT_TRUE(CallUserInfo().isNull());
    EXPECT_EQ(L"Box_20::CallBoxAPIWithRichErrorLogging failed to parse response", ApiErrorOf([&] {
                  Box_20::CallBoxAPIWithRichErrorLogging(nullptr, informer_.get(), UserInfoUrl(),
                                                         Box_20::BoxConstants().VerbGet, _variant_t(), false);
              }));
}

} // namespace
