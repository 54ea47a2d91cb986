// What the transfer survives (a slow uplink) and a local file that cannot be uploaded whole.
#include "UploadFixture.h"

#include "BoxCallLoop.h"
#include "BoxDigests.h"
#include "BoxRequestBodies.h"
#include "BoxServiceTable.h"
#include "BoxUploads.h"
#include "BoxUrlBuilders.h"
#include "LSHash.h"
#include "LSWinInetHttpRequest.h"

#include <tuple>

using namespace BoxUploads;
using Clock = std::chrono::steady_clock;

namespace {

using UploadFailure = UploadTest;

// A file one byte into the session sizes: seven parts of the default 8 MiB.
constexpr uint64_t kSessionFileSize = kChunkedThreshold + 1;

// A slow uplink (4 s, longer than the wait for progress) is never cut off while 1 MiB blocks keep moving;
// a stop still ends the send between blocks. The wait leaves a loaded machine a second to spare.
TEST_F(UploadFailure, ASlowButMovingBodyIsNotCutOffAndAStopStillEndsIt)
{
    SetSwitch("body_read_pace_ms", 100);
    const auto send = [&](const wchar_t* name, const LSCancelCheck& cancel) {
        Box_20::UploadFileRecord record;
        record.Name = name;
        record.ParentFolderId = L"0";
        record.Content = std::make_shared<Box_20::ByteBuffer>(40 * kMiB, 'x');
        record.Size = record.Content->size();
        Box_20::BuildMultipartUploadBody(record);
        LSWinInetHttpRequest request(std::chrono::seconds(3));
        const _variant_t none(L"");
        request.Open(_bstr_t(L"POST"), _bstr_t(Box_20::GetUploadServiceUrl(Box_20::ServiceUploadFile, {}).c_str()),
                     _variant_t(true), none, none);
        Box_20::SetAuthHeaders(request, AnsiToWide(StandInTokens()["access_token"].asString()));
        request.SetRequestHeader(L"Content-Type", Box_20::kMultipartContentType);
        const CLSHash::Sha1Digest sha1 = CLSHash::GetSha1ForData(record.Content->size(), record.Content->data());
        request.SetRequestHeader(L"content-md5", Box_20::HexDigest(sha1).c_str());
        const HRESULT sent = request.Send(Box_20::BuildMultipartVariant(record), cancel);
        return std::make_tuple(sent, request.GetStatus(),
                               record.MultipartPrefix.size() + record.Size + record.MultipartSuffix.size());
    };

    const auto [sent, status, bodySize] = send(L"slow.bin", nullptr);
    EXPECT_EQ(std::make_pair(S_OK, 201L), std::make_pair(sent, status));
    EXPECT_EQ(bodySize, Requests("POST", "/api/2.0/files/content")[0]["body_size"].asUInt64());
    const auto start = Clock::now();
    const LSCancelCheck stopSoon = [start] { return Clock::now() - start > std::chrono::milliseconds(300); };
    EXPECT_EQ(E_ABORT, std::get<0>(send(L"stopped.bin", stopSoon)));
    // The stand-in's pace makes the whole body take 4 s at least, however fast the machine.
    EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(3500)) << "the stop ended the send at the next block";
    // The rest of that body goes out as filler, never as the caller's bytes: Box refuses it by their digest.
    EXPECT_TRUE(BoxRoad::WaitUntil(
        [&] {
            const Json::Value sent = Requests("POST", "/api/2.0/files/content");
            return sent.size() == 2 && !sent[1]["status"].isNull();
        },
        std::chrono::seconds(30)));
    EXPECT_EQ(400, Requests("POST", "/api/2.0/files/content")[1]["status"].asInt());
    EXPECT_EQ(1u, standIn_.Item("folder", "0")["children"].size());
}

TEST_F(UploadFailure, AFileCutShortDuringTheUploadIsNeverSentShort)
{
    AddFault(std::string(R"({"method":"PUT","path":")") + kPartPath +
             R"(","replies":[{"action":"pass"},{"action":"pass","delay_ms":1500}]})");
    const LocalFile file = LocalFile::WithPattern(kSessionFileSize, 39);
    Box_20::UploadFileRecord record = NewFileRecord(file, L"big.bin");
    auto informer = informer_;
    // While the second part travels, the file loses all but ten bytes of the third.
    const WhenThen cut([informer] { return informer->RequestStarts() >= 3; },
                       [&file] { file.Truncate(2 * 8 * kMiB + 10); });

    const std::wstring error = BoxRoad::ApiErrorOf([&] { Box_20::UploadFile(informer_.get(), record); });
    EXPECT_NE(std::wstring::npos, error.find(L"read only 10 of 1048576 bytes at offset 16777216")) << error.c_str();
    EXPECT_EQ(2u, Requests("PUT", kPartPath).size()) << "no part of unread bytes";
    EXPECT_EQ("aborted", Sessions()[0]["state"].asString());
}

struct UnreadableCase {
    const char* name;
    bool missing;
    uint64_t extra;  // the size the record announces beyond the file's own
    const wchar_t* expected;
};

const UnreadableCase kUnreadable[] = {
    {"Missing", true, 0, L"cannot open the local file "},
    {"ShorterThanAnnounced", false, 1, L"holds 52428801 bytes, not the 52428802 to upload"},
    {"SizeCutTo32Bits", false, uint64_t(1) << 32, L"not the 4347396097 to upload"},
};

class UnreadableFile : public UploadTest, public ::testing::WithParamInterface<UnreadableCase> {};

TEST_P(UnreadableFile, FailsBeforeAnyRequestToBox)
{
    const LocalFile file = GetParam().missing ? LocalFile::Missing() : LocalFile::WithPattern(kSessionFileSize, 40);
    Box_20::UploadFileRecord record = NewFileRecord(file, L"big.bin");
    record.Size = kSessionFileSize + GetParam().extra;

    const std::wstring error = BoxRoad::ApiErrorOf([&] { Box_20::UploadFile(informer_.get(), record); });
    EXPECT_NE(std::wstring::npos, error.find(GetParam().expected)) << error.c_str();
    EXPECT_EQ(0u, Journal().size());
}

INSTANTIATE_TEST_SUITE_P(UploadFailure, UnreadableFile, ::testing::ValuesIn(kUnreadable), BoxRoad::CaseName());

} // namespace
