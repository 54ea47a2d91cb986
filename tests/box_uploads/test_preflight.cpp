// The preflight: what Box is asked, and which answers mean "Box refuses this file" (false, the
// reason on the item) rather than a failure of the asking (thrown).
#include "UploadFixture.h"

#include "BoxExceptions.h"
#include "BoxPreflight.h"
#include "BoxServiceTable.h"
#include "BoxUrlBuilders.h"

using namespace BoxUploads;

namespace {

using Preflight = UploadTest;

constexpr char kAsked[] = "/2.0/files/content";


TEST_F(Preflight, AsksAboutANewFileAndANewVersionWithNameFolderAndSize)
{
    const std::string fileId = standIn_.SeedPatternFile("report.pdf", 10, 3);
    const LocalFile file = LocalFile::WithPattern(1000, 1);
    const auto item = TestHost::TestPropertyMap::Create();

    EXPECT_TRUE(Box_20::Preflight(item.get(), NewFileRecord(file, L"new.pdf"), informer_.get(),
                                  Box_20::GetServiceUrl(Box_20::ServicePreflightFile)));
    EXPECT_TRUE(Box_20::PreflightFileVersion(item.get(), VersionRecord(file, fileId, L"report.pdf"), informer_.get()));

    // Box names the member "size"; a body with "file_size" would preflight a file of no size.
    EXPECT_EQ(R"({"name":"new.pdf","parent":{"id":"0"},"size":1000})", Body(Requests("OPTIONS", kAsked)[0]));
    const Json::Value version = Requests("OPTIONS", "/2.0/files/" + fileId + "/content");
    ASSERT_EQ(1u, version.size());
    EXPECT_EQ(R"({"name":"report.pdf","parent":{"id":"0"},"size":1000})", Body(version[0]));
    EXPECT_EQ(0u, item->Count()) << "an accepted preflight records nothing";
    // Box answers the preflight of a new version at the file's own content address, but its API
    // description lists OPTIONS only for new files: this request is left out of the API check.
    standIn_.Post("journal/clear");
}

struct AnswerCase {
    const char* name;
    // Seeds the account, or scripts a fault, or lets the access token expire.
    const char* seed;
    const char* fault;
    bool expireToken;
    // The start of the sync issue of a refusal; null for an answer that must be thrown.
    const wchar_t* refusal;
};

const AnswerCase kAnswers[] = {
    {"NameInUse", R"({"files":[{"name":"report.pdf","parent_id":"0","content_text":"older"}]})", nullptr, false,
     L"[Box Error Code]item_name_in_use\n"},
    {"StorageLimit", R"({"user":{"space_amount":10}})", nullptr, false, L"[Box Error Code]storage_limit_exceeded\n"},
    {"Throttled", nullptr, R"({"method":"OPTIONS","path":"/2.0/files/content","status":429,"times":9,
        "headers":{"Retry-After":"1"},"error":{"code":"rate_limit_exceeded","message":"later"}})", false, nullptr},
    {"Unavailable", nullptr, R"({"method":"OPTIONS","path":"/2.0/files/content","status":503,"times":9,
        "headers":{"Retry-After":"1"},"error":{"code":"unavailable","message":"later"}})", false, nullptr},
    {"ServerErrorAfterRetries", nullptr, R"({"method":"OPTIONS","path":"/2.0/files/content","status":500,"times":9,
        "error":{"code":"internal_server_error","message":"Oops"}})", false, nullptr},
    {"RefusedTokenRefresh", nullptr, R"({"method":"POST","path":"/oauth2/token","status":400,
        "json":{"error":"invalid_grant","error_description":"Invalid refresh token"}})", true, nullptr},
    {"GarbledSuccess", nullptr, R"({"method":"OPTIONS","path":"/2.0/files/content","status":200,
        "text":"<html>ok</html>","content_type":"text/html"})", false, nullptr},
    {"ClientErrorWithoutBoxBody", nullptr, R"({"method":"OPTIONS","path":"/2.0/files/content","status":404,
        "text":"<html>Not Found</html>","content_type":"text/html"})", false, nullptr},
};

class PreflightAnswer : public UploadTest, public ::testing::WithParamInterface<AnswerCase> {};

TEST_P(PreflightAnswer, OnlyBoxsRefusalAnswersFalse)
{
    const AnswerCase& answer = GetParam();
    if (answer.seed != nullptr)
        standIn_.Post("seed", BoxRoad::ParseJson(answer.seed));
    if (answer.fault != nullptr)
        AddFault(answer.fault);
    if (answer.expireToken)
        ExpireAccessToken();
    const LocalFile file = LocalFile::WithPattern(1000, 1);
    const auto item = TestHost::TestPropertyMap::Create();
    const auto ask = [&] {
        return Box_20::Preflight(item.get(), NewFileRecord(file, L"report.pdf"), informer_.get(),
                                 Box_20::GetServiceUrl(Box_20::ServicePreflightFile));
    };

    if (answer.refusal == nullptr) {
        EXPECT_THROW(ask(), Box_20::ApiException);
        return;
    }
    EXPECT_FALSE(ask());
    EXPECT_EQ(0u, SyncIssue(item.get()).find(answer.refusal)) << WideToUtf8Lossy(SyncIssue(item.get()));
    EXPECT_EQ(1u, Requests("OPTIONS", kAsked).size()) << "a refusal is not asked again";
}

INSTANTIATE_TEST_SUITE_P(Preflight, PreflightAnswer, ::testing::ValuesIn(kAnswers), BoxRoad::CaseName());

} // namespace
