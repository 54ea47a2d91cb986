// What the transfer survives (a slow uplink) and a local file that cannot be uploaded whole.
#include "UploadFixture.h"

#include "BoxCallLoop.h"
#include "BoxRequestBodies.h"
#include "BoxServiceTable.h"
#include "BoxUploads.h"
#include "BoxUrlBuilders.h"
#include "LSWinInetHttpRequest.h"

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
    Box_20::UploadFileRecord record;
    record.Name = L"slow.bin";
    record.ParentFolderId = L"0";
    record.Content = std::make_shared<Box_20::ByteBuffer>(40 * kMiB, 'x');
    record.Size = record.Content->size();
    Box_20::BuildMultipartUploadBody(record);
    const _variant_t body = Box_20::BuildMultipartVariant(record);
    SetSwitch("body_read_pace_ms", 100);
    const std::wstring url = Box_20::GetUploadServiceUrl(Box_20::ServiceUploadFile, {});
    const auto send = [&](const std::wstring& address, const LSCancelCheck& cancel) {
        LSWinInetHttpRequest request(std::chrono::seconds(3));
        const _variant_t none(L"");
        request.Open(_bstr_t(L"POST"), _bstr_t(address.c_str()), _variant_t(true), none, none);
        Box_20::SetAuthHeaders(request, AnsiToWide(StandInTokens()["access_token"].asString()));
        request.SetRequestHeader(L"Content-Type", Box_20::kMultipartContentType);
        const HRESULT sent = request.Send(body, cancel);
        return std::make_pair(sent, request.GetStatus());
    };

    EXPECT_EQ(std::make_pair(S_OK, 201L), send(url, nullptr));
    EXPECT_EQ(record.MultipartPrefix.size() + record.Size + record.MultipartSuffix.size(),
              Requests("POST", "/api/2.0/files/content")[0]["body_size"].asUInt64());
    const auto start = Clock::now();
    EXPECT_EQ(E_ABORT, send(url, [start] { return Clock::now() - start > std::chrono::milliseconds(300); }).first);
    // The stand-in's pace makes the whole body take 4 s at least, however fast the machine.
    EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(3500)) << "the stop ended the send at the next block";
    // The rest of that body still goes out on its own, so that its connection is never handed to
    // the next request while the server waits for the rest.
    EXPECT_TRUE(BoxRoad::WaitUntil([&] { return Requests("POST", "/api/2.0/files/content").size() == 2; },
                                   std::chrono::seconds(30)));
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
