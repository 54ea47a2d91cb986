// What an upload survives (a 401 on a part or the commit, a commit still being processed, a slow
// uplink) and how it ends otherwise: the session aborted, nothing stored, the reason told; and a
// local file that cannot be uploaded whole, which costs no request at all.
#include "UploadFixture.h"

#include "BoxCallLoop.h"
#include "BoxExceptions.h"
#include "BoxPreflight.h"
#include "BoxRequestBodies.h"
#include "BoxServiceTable.h"
#include "BoxUploads.h"
#include "BoxUrlBuilders.h"
#include "LSWinInetHttpRequest.h"

#include <chrono>
#include <functional>
#include <regex>

using namespace BoxUploads;
using Clock = std::chrono::steady_clock;

namespace {

using UploadFailure = UploadTest;

// A file one byte into the session sizes: seven parts of the default 8 MiB.
constexpr uint64_t kSessionFileSize = kChunkedThreshold + 1;

std::string Rule(const std::string& method, const std::string& path, const std::string& replies)
{
    return R"({"method":")" + method + R"(","path":")" + path + R"(","replies":)" + replies + "}";
}

std::string PartRule(const std::string& replies) { return Rule("PUT", kPartPath, replies); }
std::string CommitRule(const std::string& replies) { return Rule("POST", kCommitPath, replies); }

struct UnauthorizedCase {
    const char* name;
    const char* method;
    const char* path;
    const char* replies;
    // How often requests of that kind are sent, and which of them Box answers 401.
    unsigned sends;
    unsigned refused;
};

const UnauthorizedCase kUnauthorized[] = {
    {"Part", "PUT", kPartPath, R"([{"action":"pass","times":2},{"status":401}])", 8, 2},
    {"Commit", "POST", kCommitPath, R"([{"status":401}])", 2, 0},
};

class UnauthorizedOnce : public UploadTest, public ::testing::WithParamInterface<UnauthorizedCase> {};

TEST_P(UnauthorizedOnce, IsSentAgainWithRenewedTokens)
{
    const UnauthorizedCase& refusal = GetParam();
    AddFault(Rule(refusal.method, refusal.path, refusal.replies));
    const LocalFile file = LocalFile::WithPattern(kSessionFileSize, 31);
    Box_20::UploadFileRecord record = NewFileRecord(file, L"big.bin");

    const CStdStr<wchar_t> id = Box_20::UploadFile(informer_.get(), record);

    EXPECT_EQ(file.Sha1Hex(), StoredSha1(id));
    EXPECT_EQ(1, StandInTokens()["refresh_count"].asInt());
    const Json::Value sent = Requests(refusal.method, refusal.path);
    ASSERT_EQ(refusal.sends, sent.size());
    const Json::Value& refused = sent[refusal.refused];
    const Json::Value& again = sent[refusal.refused + 1];
    EXPECT_EQ(401, refused["status"].asInt());
    EXPECT_EQ(Header(refused, "digest"), Header(again, "digest")) << "the same request again";
    EXPECT_EQ(Header(refused, "Content-Range"), Header(again, "Content-Range"));
    EXPECT_EQ("Bearer " + StandInTokens()["access_token"].asString(), Header(again, "Authorization"));
}

INSTANTIATE_TEST_SUITE_P(UploadFailure, UnauthorizedOnce, ::testing::ValuesIn(kUnauthorized),
                         [](const ::testing::TestParamInfo<UnauthorizedCase>& info) { return info.param.name; });

TEST_F(UploadFailure, APartUnauthorizedTwiceAbortsTheSession)
{
    AddFault(PartRule(R"([{"action":"pass"},{"status":401,"times":2}])"));
    const LocalFile file = LocalFile::WithPattern(kSessionFileSize, 33);
    Box_20::UploadFileRecord record = NewFileRecord(file, L"big.bin");

    EXPECT_THROW(Box_20::UploadFile(informer_.get(), record), Box_20::ApiException);

    EXPECT_EQ(1, StandInTokens()["refresh_count"].asInt()) << "one renewal per request";
    EXPECT_EQ(3u, Requests("PUT", kPartPath).size());
    ExpectAbortedWithoutCommit();
}

TEST_F(UploadFailure, ARefusedPartIsNotRepeatedAndTheRefusalIsTold)
{
    AddFault(PartRule(
        R"([{"action":"pass"},{"status":500,"error":{"code":"internal_server_error","message":"Oops"}}])"));
    const LocalFile file = LocalFile::WithPattern(kSessionFileSize, 34);
    const auto item = TestHost::TestPropertyMap::Create();
    Box_20::UploadFileRecord record = NewFileRecord(file, L"big.bin", item.get());

    try {
        Box_20::UploadFile(informer_.get(), record);
        FAIL() << "a refused part must fail the upload";
    } catch (const Box_20::ApiException& error) {
        EXPECT_EQ(L"Box_20::PerformChunkedFileUpload [Box Error Code]internal_server_error\n[Box Error Message]Oops\n",
                  error.GetText());
    }
    EXPECT_EQ(L"[Box Error Code]internal_server_error\n[Box Error Message]Oops\n", SyncIssue(item.get()));
    EXPECT_EQ(2u, Requests("PUT", kPartPath).size());
    ExpectAbortedWithoutCommit();
    EXPECT_TRUE(record.FileId.empty());
}

TEST_F(UploadFailure, ACommitStillProcessingIsSentAgainAfterRetryAfter)
{
    AddFault(CommitRule(R"([{"status":202,"headers":{"Retry-After":"2"}}])"));
    const LocalFile file = LocalFile::WithPattern(kSessionFileSize, 35);
    Box_20::UploadFileRecord record = NewFileRecord(file, L"big.bin");
    Clock::time_point firstCommit;
    const CStdStr<wchar_t> id = [&] {
        const WhenThen seen([this] { return Requests("POST", kCommitPath).size() >= 1; },
                            [&firstCommit] { firstCommit = Clock::now(); });
        return Box_20::UploadFile(informer_.get(), record);
    }();
    // The second commit is the upload's last request.
    EXPECT_GE(Clock::now() - firstCommit, std::chrono::milliseconds(1500)) << "the commit waited for Retry-After";

    EXPECT_EQ(file.Sha1Hex(), StoredSha1(id));
    const Json::Value commits = Requests("POST", kCommitPath);
    ASSERT_EQ(2u, commits.size());
    EXPECT_EQ(Body(commits[0]), Body(commits[1]));
    EXPECT_EQ(Header(commits[0], "digest"), Header(commits[1], "digest"));
}

TEST_F(UploadFailure, ACommitThatStaysInProcessingEndsAfterFiveSends)
{
    AddFault(CommitRule(R"([{"status":202,"headers":{"Retry-After":"1"},"times":5}])"));
    const LocalFile file = LocalFile::WithPattern(kSessionFileSize, 36);
    Box_20::UploadFileRecord record = NewFileRecord(file, L"big.bin");

    try {
        Box_20::UploadFile(informer_.get(), record);
        FAIL() << "a commit Box never finishes must fail";
    } catch (const Box_20::ApiException& error) {
        EXPECT_EQ(L"Box_20::PerformChunkedFileUpload Box was still processing the upload after 5 commits",
                  error.GetText());
    }
    EXPECT_EQ(5u, Requests("POST", kCommitPath).size());
    EXPECT_EQ("aborted", Sessions()[0]["state"].asString());
}

TEST_F(UploadFailure, AStopDuringTheCommitsWaitEndsItAtOnce)
{
    AddFault(CommitRule(R"([{"status":202,"headers":{"Retry-After":"30"}}])"));
    const LocalFile file = LocalFile::WithPattern(kSessionFileSize, 37);
    Box_20::UploadFileRecord record = NewFileRecord(file, L"big.bin");
    auto informer = informer_;
    const WhenThen stop([this] { return Requests("POST", kCommitPath).size() == 1; },
                        [informer] { informer->RequestStop(); });

    const auto start = Clock::now();
    EXPECT_THROW(Box_20::UploadFile(informer_.get(), record), HRESULT);
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(25)) << "the 30 s wait was cut short";
    EXPECT_EQ("aborted", Sessions()[0]["state"].asString());
}

TEST_F(UploadFailure, AStopWhileAPartTravelsAbortsTheSession)
{
    AddFault(PartRule(R"([{"action":"pass","times":2},{"action":"pass","delay_ms":3000}])"));
    const LocalFile file = LocalFile::WithPattern(kSessionFileSize, 38);
    Box_20::UploadFileRecord record = NewFileRecord(file, L"big.bin");
    auto informer = informer_;
    const WhenThen stop([this] { return Requests("PUT", kPartPath).size() >= 3; },
                        [informer] { informer->RequestStop(); });

    try {
        Box_20::UploadFile(informer_.get(), record);
        FAIL() << "a stop must end the upload";
    } catch (HRESULT hr) {
        EXPECT_EQ(E_ABORT, hr);
    }
    EXPECT_EQ(3u, Requests("PUT", kPartPath).size());
    ExpectAbortedWithoutCommit();
}

// A slow uplink that keeps moving is never cut off however long the body takes: each 1 MiB
// restarts the wait for progress. A stop still ends the send between blocks.
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
        LSWinInetHttpRequest request(std::chrono::seconds(2));
        const _variant_t none(L"");
        request.Open(_bstr_t(L"POST"), _bstr_t(address.c_str()), _variant_t(true), none, none);
        Box_20::SetAuthHeaders(request, AnsiToWide(StandInTokens()["access_token"].asString()));
        request.SetRequestHeader(L"Content-Type", Box_20::kMultipartContentType);
        const HRESULT sent = request.Send(body, cancel);
        return std::make_pair(sent, request.GetStatus());
    };

    // Some 4 s of sending, twice the wait for progress.
    EXPECT_EQ(std::make_pair(S_OK, 201L), send(url, nullptr));
    EXPECT_EQ(record.MultipartPrefix.size() + record.Size + record.MultipartSuffix.size(),
              Requests("POST", "/api/2.0/files/content")[0]["body_size"].asUInt64());
    const auto start = Clock::now();
    // Wine pools the connection of a send given up halfway, and the stand-in waits for the rest of
    // that body: the host's other spelling keeps the test's own later requests off it.
    const std::wstring otherHost = std::regex_replace(url, std::wregex(L"127\\.0\\.0\\.1"), L"localhost");
    EXPECT_EQ(E_ABORT,
              send(otherHost, [start] { return Clock::now() - start > std::chrono::milliseconds(300); }).first);
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(2)) << "the stop ended the send at the next block";
}

TEST_F(UploadFailure, AFileCutShortDuringTheUploadIsNeverSentShort)
{
    AddFault(PartRule(R"([{"action":"pass"},{"action":"pass","delay_ms":1500}])"));
    const LocalFile file = LocalFile::WithPattern(kSessionFileSize, 39);
    Box_20::UploadFileRecord record = NewFileRecord(file, L"big.bin");
    auto informer = informer_;
    // While the second part travels, the file loses all but ten bytes of the third.
    const uint64_t cutAt = 2 * 8 * kMiB + 10;
    const WhenThen cut([informer] { return informer->RequestStarts() >= 3; }, [&file, cutAt] { file.Truncate(cutAt); });

    try {
        Box_20::UploadFile(informer_.get(), record);
        FAIL() << "a short read must fail the upload";
    } catch (const Box_20::ApiException& error) {
        EXPECT_NE(std::wstring::npos, error.GetText().find(L"read only 10 of 1048576 bytes at offset 16777216"))
            << error.what();
    }
    EXPECT_EQ(2u, Requests("PUT", kPartPath).size()) << "no part of unread bytes";
    ExpectAbortedWithoutCommit();
}

struct UnreadableCase {
    const char* name;
    bool missing;
    // The size the record announces beyond the file's own.
    uint64_t extra;
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

    const std::function<void()> operations[] = {
        [&] { Box_20::Preflight(nullptr, record, informer_.get(), Box_20::GetServiceUrl(Box_20::ServicePreflightFile)); },
        [&] { Box_20::UploadFile(informer_.get(), record); },
        [&] {
            record.FileId = L"100001";
            Box_20::UploadFileVersion(informer_.get(), record);
        },
    };
    for (const auto& operation : operations) {
        try {
            operation();
            FAIL() << "an unreadable file must fail";
        } catch (const Box_20::ApiException& error) {
            EXPECT_NE(std::wstring::npos, error.GetText().find(GetParam().expected)) << error.what();
        }
    }
    EXPECT_EQ(0u, Journal().size());
}

INSTANTIATE_TEST_SUITE_P(UploadFailure, UnreadableFile, ::testing::ValuesIn(kUnreadable),
                         [](const ::testing::TestParamInfo<UnreadableCase>& info) { return info.param.name; });

} // namespace
