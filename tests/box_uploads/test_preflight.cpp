// The preflight: what Box is asked, and a refusal recorded on the item instead of an upload.
#include "UploadFixture.h"

#include "BoxPreflight.h"
#include "BoxServiceTable.h"
#include "BoxUrlBuilders.h"

using namespace BoxUploads;

namespace {

using Preflight = UploadTest;

CStdStr<wchar_t> NewFilePreflightUrl() { return Box_20::GetServiceUrl(Box_20::ServicePreflightFile); }

TEST_F(Preflight, AsksWithTheNameTheFolderAndTheSize)
{
    const LocalFile file = LocalFile::WithPattern(1000, 1);
    const auto item = TestHost::TestPropertyMap::Create();

    EXPECT_TRUE(Box_20::Preflight(item.get(), NewFileRecord(file, L"report.pdf"), informer_.get(),
                                  NewFilePreflightUrl()));

    const Json::Value asked = Requests("OPTIONS", "/2.0/files/content");
    ASSERT_EQ(1u, asked.size());
    // Box names the member "size"; a body with "file_size" would preflight a file of no size.
    EXPECT_EQ(R"({"name":"report.pdf","parent":{"id":"0"},"size":1000})", Body(asked[0]));
    EXPECT_EQ(0u, item->Count()) << "an accepted preflight records nothing";
}

struct RefusalCase {
    const char* name;
    // Seeds the account so that Box refuses the file.
    const char* seed;
    const wchar_t* expectedCode;
};

const RefusalCase kRefusals[] = {
    {"NameInUse", R"({"files":[{"name":"report.pdf","parent_id":"0","content_text":"older"}]})",
     L"[Box Error Code]item_name_in_use\n"},
    {"StorageLimit", R"({"user":{"space_amount":10}})", L"[Box Error Code]storage_limit_exceeded\n"},
};

class PreflightRefusal : public UploadTest, public ::testing::WithParamInterface<RefusalCase> {};

TEST_P(PreflightRefusal, AnswersFalseAndRecordsBoxsReasonOnTheItem)
{
    standIn_.Post("seed", BoxRoad::ParseJson(GetParam().seed));
    const LocalFile file = LocalFile::WithPattern(1000, 1);
    const auto item = TestHost::TestPropertyMap::Create();

    EXPECT_FALSE(Box_20::Preflight(item.get(), NewFileRecord(file, L"report.pdf"), informer_.get(),
                                   NewFilePreflightUrl()));

    EXPECT_EQ(0u, SyncIssueMessage(item.get()).find(GetParam().expectedCode))
        << WideToUtf8Lossy(SyncIssueMessage(item.get()));
    EXPECT_EQ(L"ERROR", SyncIssueType(item.get()));
    EXPECT_EQ(1u, Requests("OPTIONS", "/2.0/files/content").size()) << "a refusal is not asked again";
}

INSTANTIATE_TEST_SUITE_P(Preflight, PreflightRefusal, ::testing::ValuesIn(kRefusals),
                         [](const ::testing::TestParamInfo<RefusalCase>& info) { return info.param.name; });

TEST_F(Preflight, OfANewVersionAsksAboutThatFile)
{
    const std::string fileId = standIn_.SeedPatternFile("report.pdf", 10, 3);
    const LocalFile file = LocalFile::WithPattern(2000, 1);
    const auto item = TestHost::TestPropertyMap::Create();

    EXPECT_TRUE(Box_20::PreflightFileVersion(item.get(), VersionRecord(file, fileId, L"report.pdf"), informer_.get()));

    const Json::Value asked = Requests("OPTIONS", "/2.0/files/" + fileId + "/content");
    ASSERT_EQ(1u, asked.size());
    EXPECT_EQ(R"({"name":"report.pdf","parent":{"id":"0"},"size":2000})", Body(asked[0]));
    // Box answers the preflight of a new version at the file's own content address, but its API
    // description lists OPTIONS only for new files: this request is left out of the API check.
    standIn_.Post("journal/clear");
}

} // namespace
