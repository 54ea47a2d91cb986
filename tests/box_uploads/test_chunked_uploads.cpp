// Session uploads from 52,428,800 bytes on: the session, parts aligned to Box's part size with
// their digests, the commit with the whole file's digest, the content Box stores.
#include "UploadFixture.h"

#include "BoxUploads.h"

using namespace BoxUploads;

namespace {

using ChunkedUpload = UploadTest;

constexpr int64_t kDefaultPartSize = 8 * 1024 * 1024;

// The position of each of the names among the request's headers, in the order given; -1 for a
// name the request lacks.
std::vector<int> HeaderPositions(const Json::Value& entry, const std::vector<std::string>& names)
{
    std::vector<int> positions;
    for (const std::string& name : names) {
        int found = -1;
        for (Json::ArrayIndex i = 0; i < entry["headers"].size(); ++i) {
            if (_stricmp(entry["headers"][i][0].asCString(), name.c_str()) == 0)
                found = static_cast<int>(i);
        }
        positions.push_back(found);
    }
    return positions;
}

TEST_F(ChunkedUpload, AtTheSessionSizeGoesUpInAlignedPartsWithTheirDigests)
{
    const LocalFile file = LocalFile::WithPattern(kChunkedThreshold, 21);
    Box_20::UploadFileRecord record = NewFileRecord(file, L"big.bin");

    const CStdStr<wchar_t> id = Box_20::UploadFile(informer_.get(), record);

    EXPECT_EQ(file.Sha1Hex(), StoredSha1(id));
    const Json::Value session = Requests("POST", "/api/2.0/files/upload_sessions");
    ASSERT_EQ(1u, session.size());
    EXPECT_EQ(R"({"file_name":"big.bin","file_size":52428800,"folder_id":"0"})", Body(session[0]));
    EXPECT_EQ(0u, Requests("POST", "/api/2.0/files/content").size());
    ExpectAlignedParts(kChunkedThreshold, kDefaultPartSize);

    const Json::Value parts = Requests("PUT", kPartPath);
    ASSERT_EQ(7u, parts.size());
    for (const Json::Value& part : parts) {
        const std::string digest = Header(part, "digest");
        EXPECT_EQ(32u, digest.size()) << digest;
        EXPECT_EQ(0u, digest.find("sha=")) << digest;
        EXPECT_EQ("application/octet-stream", Header(part, "Content-Type"));
        // No JSON asked for: what is there is the platform's own default.
        EXPECT_NE("application/json", Header(part, "Accept"));
        const std::vector<int> order =
            HeaderPositions(part, {"Authorization", "Auth-Type", "Content-Range", "Content-Type", "digest"});
        EXPECT_TRUE(std::is_sorted(order.begin(), order.end()) && order.front() >= 0)
            << "headers out of order in " << part["request_line"].asString();
    }
    const Json::Value commit = Requests("POST", kCommitPath);
    ASSERT_EQ(1u, commit.size());
    EXPECT_EQ("application/json", Header(commit[0], "Content-Type"));
    EXPECT_NE(Header(parts[6], "digest"), Header(commit[0], "digest")) << "the commit carries the whole file's digest";
    EXPECT_EQ("committed", Sessions()[0]["state"].asString());
}

TEST_F(ChunkedUpload, AFewHundredMiBArriveWhole)
{
    const uint64_t size = 300 * kMiB + 12345;
    const LocalFile file = LocalFile::WithPattern(size, 22);
    Box_20::UploadFileRecord record = NewFileRecord(file, L"video.mp4");

    const CStdStr<wchar_t> id = Box_20::UploadFile(informer_.get(), record);

    EXPECT_EQ(file.Sha1Hex(), StoredSha1(id));
    EXPECT_EQ(size, standIn_.Item("file", WideToUtf8Lossy(id))["size"].asUInt64());
    ExpectAlignedParts(size, kDefaultPartSize);
    EXPECT_EQ(38u, Requests("PUT", kPartPath).size());
}

TEST_F(ChunkedUpload, ANewVersionGoesThroughTheFilesOwnSession)
{
    const std::string fileId = standIn_.SeedPatternFile("video.mp4", 1000, 4);
    const int64_t partSize = 16 * 1024 * 1024;
    SetPartSize(partSize);
    const uint64_t size = 60 * kMiB;
    const LocalFile file = LocalFile::WithPattern(size, 23);
    Box_20::UploadFileRecord record = VersionRecord(file, fileId, L"video.mp4");

    EXPECT_EQ(AnsiToWide(fileId), Box_20::UploadFileVersion(informer_.get(), record));

    const Json::Value stored = standIn_.Item("file", fileId);
    EXPECT_EQ(file.Sha1Hex(), stored["sha1"].asString());
    EXPECT_EQ("2", stored["version_number"].asString());
    const Json::Value session = Requests("POST", "/api/2.0/files/" + fileId + "/upload_sessions");
    ASSERT_EQ(1u, session.size());
    EXPECT_EQ(R"({"file_name":"video.mp4","file_size":62914560})", Body(session[0]));
    ExpectAlignedParts(size, partSize);
}

} // namespace
