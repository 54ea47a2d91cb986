// Files of 4 GiB and more: sizes, offsets and ranges stay 64-bit from the session to the last part.
// The files are sparse, and the uploads are stopped or reduced to single parts, so that no test
// moves 4 GiB.
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
#include "HResultException.h"

using namespace BoxUploads;

namespace {

using LargeFile = UploadTest;

constexpr uint64_t kBeyond4GiB = (uint64_t(1) << 32) + 5;
constexpr int64_t kSmallPartSize = 1024 * 1024;

TEST_F(LargeFile, BeyondFourGiBTheSessionAndThePartsCarryTheFullSize)
{
    SetPartSize(kSmallPartSize);
    AddFault(R"({"method":"PUT","path":"/api/2.0/files/upload_sessions/*",
                 "replies":[{"action":"pass","times":2},{"action":"pass","delay_ms":3000}]})");
    const LocalFile file = LocalFile::Sparse(kBeyond4GiB, "TAIL!");
    Box_20::UploadFileRecord record = NewFileRecord(file, L"disk.img");
    auto informer = informer_;
    // Box holds the third part.
    const WhenThen stop([this] { return Requests("PUT", kPartPath).size() >= 3; },
                        [informer] { informer->RequestStop(); });

    EXPECT_THROW(Box_20::UploadFile(informer_.get(), record), HRESULT);

    const Json::Value session = Requests("POST", "/api/2.0/files/upload_sessions");
    ASSERT_EQ(1u, session.size());
    EXPECT_EQ(R"({"file_name":"disk.img","file_size":4294967301,"folder_id":"0"})", Body(session[0]));
    const Json::Value parts = Requests("PUT", kPartPath);
    ASSERT_EQ(3u, parts.size());
    EXPECT_EQ("bytes 0-1048575/4294967301", Header(parts[0], "Content-Range"));
    EXPECT_EQ("bytes 2097152-3145727/4294967301", Header(parts[2], "Content-Range"));
    ExpectAbortedWithoutCommit();
}

TEST_F(LargeFile, TheLastPartBeyondFourGiBIsReadFromTheEndAndTakenByBox)
{
    SetPartSize(kSmallPartSize);
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
    const int64_t lastIndex = static_cast<int64_t>((kBeyond4GiB - 1) / kSmallPartSize);

    const Box_20::ChunkDataType last = Box_20::CreateChunkData(lastIndex, kSmallPartSize, source);
    const Box_20::ChunkReply reply = Box_20::CallBoxAPIChunkUpload(
        informer_.get(), session.UploadPartUrl, Box_20::BoxConstants().VerbPut,
        Box_20::GetPartDigestHeader(last, source.HashPart(last), source.PartBody(last)));
    Box_20::AbortUploadSession(session.AbortUrl);

    EXPECT_EQ(int64_t(1) << 32, last.Offset);
    EXPECT_EQ(5, last.Size);
    const Box_20::UploadPartRecord part = Box_20::ReadUploadedPart(reply.Reply, place);
    EXPECT_EQ(int64_t(1) << 32, part.Offset);
    EXPECT_EQ(5, part.Size);
    const Json::Value sent = Requests("PUT", kPartPath);
    ASSERT_EQ(1u, sent.size());
    EXPECT_EQ("bytes 4294967296-4294967300/4294967301", Header(sent[0], "Content-Range"));
    EXPECT_EQ("TAIL!", Body(sent[0]));
    EXPECT_EQ("aborted", Sessions()[0]["state"].asString());
    EXPECT_THROW(source.FileDigest(), hresult_exception) << "one part is no file digest";
}

} // namespace
