// Uploads that succeed: multipart below 52,428,800 bytes, a session from there on, and beyond 4 GiB.
#include "UploadFixture.h"

#include "BoxCallLoop.h"
#include "BoxChunkData.h"
#include "BoxChunkRequests.h"
#include "BoxConstants.h"
#include "BoxDigests.h"
#include "BoxRequestBodies.h"
#include "BoxServiceTable.h"
#include "BoxUploadReplies.h"
#include "BoxUploads.h"
#include "BoxUrlBuilders.h"

using namespace BoxUploads;

namespace {

struct SizeCase {
    const char* name;
    uint64_t size;
    bool newVersion;
    int64_t partSize;
    unsigned parts;  // 0 for one multipart request
};

// A size that is no multiple of 1 MiB ends the last part, and the whole file's digest, with a
// short hash block.
const SizeCase kSizes[] = {
    {"JustBelowTheSessionSize", kChunkedThreshold - 1, false, 0, 0},
    {"AtTheSessionSize", kChunkedThreshold, false, 8 * kMiB, 7},
    {"VersionWithLargerParts", 60 * kMiB, true, 16 * kMiB, 4},
    {"OddSizeAboveTheSessionSize", kChunkedThreshold + 12345, false, 8 * kMiB, 7},
    {"VersionOfAnOddSize", 60 * kMiB + 777, true, 16 * kMiB, 4},
};

class UploadSize : public UploadTest, public ::testing::WithParamInterface<SizeCase> {};

TEST_P(UploadSize, StoresTheFileThroughTheRightRoad)
{
    const SizeCase& size = GetParam();
    if (size.partSize != 0)
        SetSwitch("part_size", size.partSize);
    const std::string fileId = size.newVersion ? standIn_.SeedPatternFile("data.bin", 1000, 4) : std::string();
    const LocalFile file = LocalFile::WithPattern(size.size, 21);
    Box_20::UploadFileRecord record = NewFileRecord(file, L"data.bin");
    record.FileId = AnsiToWide(fileId);
    record.NewVersion = size.newVersion;

    const CStdStr<wchar_t> id = size.newVersion ? Box_20::UploadFileVersion(informer_.get(), record)
                                                : Box_20::UploadFile(informer_.get(), record);

    EXPECT_EQ(file.Sha1Hex(), StoredSha1(id));
    EXPECT_EQ(size.size, standIn_.Item("file", WideToUtf8Lossy(id))["size"].asUInt64());
    if (size.newVersion) {
        EXPECT_EQ(AnsiToWide(fileId), id);
        EXPECT_EQ("2", standIn_.Item("file", fileId)["version_number"].asString());
    }
    const std::string fileRoute = size.newVersion ? "/api/2.0/files/" + fileId : "/api/2.0/files";
    EXPECT_EQ(size.parts == 0 ? 1u : 0u, Requests("POST", fileRoute + "/content").size());
    EXPECT_EQ(size.parts, Requests("PUT", kPartPath).size());
    if (size.parts == 0)
        return;
    const Json::Value session = Requests("POST", fileRoute + "/upload_sessions");
    ASSERT_EQ(1u, session.size());
    EXPECT_EQ(R"({"file_name":"data.bin","file_size":)" + std::to_string(size.size) +
                  (size.newVersion ? "}" : R"(,"folder_id":"0"})"),
              Body(session[0]));
    EXPECT_EQ("committed", Sessions()[0]["state"].asString());
}

INSTANTIATE_TEST_SUITE_P(Upload, UploadSize, ::testing::ValuesIn(kSizes), BoxRoad::CaseName());

constexpr uint64_t kBeyond4GiB = (uint64_t(1) << 32) + 5;

TEST_F(UploadTest, BeyondFourGiBTheSessionThePartsAndTheLastPartStay64Bit)
{
    SetSwitch("part_size", kMiB);
    const LocalFile file = LocalFile::Sparse(kBeyond4GiB, "TAIL!");
    const Box_20::UploadFileRecord record = NewFileRecord(file, L"disk.img");
    const std::wstring place = L"LargeFileTest";
    const Box_20::UploadSessionRecord session = Box_20::ReadUploadSession(
        Box_20::CallBoxAPIWithRichErrorLogging(
            nullptr, informer_.get(), Box_20::GetUploadServiceUrl(Box_20::ServiceCreateUploadSession, {}),
            Box_20::BoxConstants().VerbPost,
            _variant_t(Box_20::BuildUploadSessionJson(record.Name, record.Size, record.ParentFolderId).c_str()), false),
        place);
    Box_20::ChunkSource source(record, place);

    const Box_20::ChunkDataType last = Box_20::CreateChunkData(kBeyond4GiB / kMiB, kMiB, source);
    const Box_20::ChunkReply reply = Box_20::CallBoxAPIChunkUpload(
        informer_.get(), session.UploadPartUrl, Box_20::BoxConstants().VerbPut,
        Box_20::GetPartDigestHeader(last, source.HashPart(last), source.PartBody(last)));
    Box_20::AbortUploadSession(session.AbortUrl);

    EXPECT_EQ(R"({"file_name":"disk.img","file_size":4294967301,"folder_id":"0"})",
              Body(Requests("POST", "/api/2.0/files/upload_sessions")[0]));
    const Box_20::UploadPartRecord part = Box_20::ReadUploadedPart(reply.Reply, place);
    EXPECT_EQ(int64_t(1) << 32, part.Offset);
    EXPECT_EQ(5, part.Size);
    const Json::Value sent = Requests("PUT", kPartPath);
    ASSERT_EQ(1u, sent.size());
    EXPECT_EQ("bytes 4294967296-4294967300/4294967301", Header(sent[0], "Content-Range"));
    EXPECT_EQ("TAIL!", Body(sent[0]));
    EXPECT_THROW(source.FileDigest(), hresult_exception) << "one part is no file digest";
}

} // namespace
