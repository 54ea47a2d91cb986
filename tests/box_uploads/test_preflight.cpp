// The preflight: what Box is asked about a new file and a new version. Which answers mean "Box
// refuses this file" is checked through the host's add-document call.
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

} // namespace
