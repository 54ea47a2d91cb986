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

using namespace BoxUploads;
using Clock = std::chrono::steady_clock;

namespace {

using UploadFailure = UploadTest;

// A file one byte into the session sizes: seven parts of the default 8 MiB.
constexpr uint64_t kSessionFileSize = kChunkedThreshold + 1;

std::string Rule(const char* method, const char* path, const std::string& replies)
{
    return std::string(R"({"method":")") + method + R"(","path":")" + path + R"(","replies":)" + replies + "}";
}

struct SurvivedCase {
    const char* name;
    const char* method;
    const char* path;
    const char* replies;
    // Requests of that kind sent in all; the first one answered with the fault's status.
    unsigned sends;
    unsigned faulted;
    int refreshes;
    uint64_t size = kSessionFileSize;
};

const SurvivedCase kSurvived[] = {
    {"PartUnauthorized", "PUT", kPartPath, R"([{"action":"pass","times":2},{"status":401}])", 8, 2, 1},
    {"CommitUnauthorized", "POST", kCommitPath, R"([{"status":401}])", 2, 0, 1},
    {"CommitStillProcessing", "POST", kCommitPath, R"([{"status":202,"headers":{"Retry-After":"1"},"times":4}])", 5,
     0, 0},
    // The body, read from the file as it goes, goes again from its start.
    {"MultipartUnauthorized", "POST", "/api/2.0/files/content", R"([{"status":401}])", 2, 0, 1, 3 * kMiB + 7},
};

class Survived : public UploadTest, public ::testing::WithParamInterface<SurvivedCase> {};

TEST_P(Survived, IsSentAgainAndTheFileArrivesWhole)
{
    const SurvivedCase& fault = GetParam();
    AddFault(Rule(fault.method, fault.path, fault.replies));
    const LocalFile file = LocalFile::WithPattern(fault.size, 31);
    Box_20::UploadFileRecord record = NewFileRecord(file, L"big.bin");

    EXPECT_EQ(file.Sha1Hex(), StoredSha1(Box_20::UploadFile(informer_.get(), record)));

    EXPECT_EQ(fault.refreshes, StandInTokens()["refresh_count"].asInt());
    const Json::Value sent = Requests(fault.method, fault.path);
    ASSERT_EQ(fault.sends, sent.size());
    const Json::Value& first = sent[fault.faulted];
    const Json::Value& again = sent[fault.faulted + 1];
    EXPECT_NE(200, first["status"].asInt());
    EXPECT_EQ(Header(first, "digest"), Header(again, "digest")) << "the same request again";
    EXPECT_EQ(Body(first), Body(again));
}

INSTANTIATE_TEST_SUITE_P(UploadFailure, Survived, ::testing::ValuesIn(kSurvived), BoxRoad::CaseName());

struct EndedCase {
    const char* name;
    const char* method;
    const char* path;
    const char* replies;
    unsigned sends;
    // The end of the failure's text and of the item's sync issue (empty when none is recorded).
    const wchar_t* failure;
    const wchar_t* syncIssue;
};

const EndedCase kEnded[] = {
    {"PartUnauthorizedTwice", "PUT", kPartPath, R"([{"action":"pass"},{"status":401,"times":2}])", 3, L"Unauthorized",
     L"[Box Error Code]\n[Box Error Message]\nUnauthorized (401)"},
    {"PartRefused", "PUT", kPartPath,
     R"([{"action":"pass"},{"status":500,"error":{"code":"internal_server_error","message":"Oops"}}])", 2,
     L" [Box Error Code]internal_server_error\n[Box Error Message]Oops\n",
     L"[Box Error Code]internal_server_error\n[Box Error Message]Oops\n"},
    {"CommitNeverDone", "POST", kCommitPath, R"([{"status":202,"headers":{"Retry-After":"1"},"times":5}])", 5,
     L" Box was still processing the upload after 5 commits", L""},
};

class Ended : public UploadTest, public ::testing::WithParamInterface<EndedCase> {};

TEST_P(Ended, AbortsTheSessionAndTellsWhy)
{
    const EndedCase& fault = GetParam();
    AddFault(Rule(fault.method, fault.path, fault.replies));
    const LocalFile file = LocalFile::WithPattern(kSessionFileSize, 33);
    const auto item = TestHost::TestPropertyMap::Create();
    Box_20::UploadFileRecord record = NewFileRecord(file, L"big.bin", item.get());

    try {
        Box_20::UploadFile(informer_.get(), record);
        FAIL() << "the upload must fail";
    } catch (const Box_20::ApiException& error) {
        const std::wstring text = error.GetText();
        EXPECT_EQ(0u, text.find(L"Box_20::PerformChunkedFileUpload")) << error.what();
        EXPECT_NE(std::wstring::npos, text.find(fault.failure)) << error.what();
    }
    EXPECT_EQ(fault.syncIssue, SyncIssue(item.get()));
    EXPECT_EQ(fault.sends, Requests(fault.method, fault.path).size());
    EXPECT_EQ("aborted", Sessions()[0]["state"].asString());
    EXPECT_EQ(1u, Requests("DELETE", kPartPath).size());
    EXPECT_TRUE(record.FileId.empty());
}

INSTANTIATE_TEST_SUITE_P(UploadFailure, Ended, ::testing::ValuesIn(kEnded), BoxRoad::CaseName());

struct StopCase {
    const char* name;
    const char* method;
    const char* path;
    // Box holds the request at which the host asks to stop.
    const char* replies;
    unsigned stopAt;
};

const StopCase kStops[] = {
    {"WhileAPartTravels", "PUT", kPartPath, R"([{"action":"pass","times":2},{"action":"pass","delay_ms":3000}])", 3},
    {"DuringTheCommitsWait", "POST", kCommitPath, R"([{"status":202,"headers":{"Retry-After":"30"}}])", 1},
};

class Stopped : public UploadTest, public ::testing::WithParamInterface<StopCase> {};

TEST_P(Stopped, EndsAtOnceAndAbortsTheSession)
{
    const StopCase& stop = GetParam();
    AddFault(Rule(stop.method, stop.path, stop.replies));
    const LocalFile file = LocalFile::WithPattern(kSessionFileSize, 38);
    Box_20::UploadFileRecord record = NewFileRecord(file, L"big.bin");
    auto informer = informer_;
    const WhenThen asked([&] { return Requests(stop.method, stop.path).size() >= stop.stopAt; },
                         [informer] { informer->RequestStop(); });

    const auto start = Clock::now();
    try {
        Box_20::UploadFile(informer_.get(), record);
        FAIL() << "a stop must end the upload";
    } catch (HRESULT hr) {
        EXPECT_EQ(E_ABORT, hr);
    }
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(25)) << "no wait ran to its end";
    EXPECT_EQ(stop.stopAt, Requests(stop.method, stop.path).size());
    EXPECT_EQ("aborted", Sessions()[0]["state"].asString());
}

INSTANTIATE_TEST_SUITE_P(UploadFailure, Stopped, ::testing::ValuesIn(kStops), BoxRoad::CaseName());

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
    EXPECT_EQ(E_ABORT, send(url, [start] { return Clock::now() - start > std::chrono::milliseconds(300); }).first);
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(2)) << "the stop ended the send at the next block";
    // The rest of that body still goes out on its own, so that its connection is never handed to
    // the next request while the server waits for the rest.
    EXPECT_TRUE(BoxRoad::WaitUntil([&] { return Requests("POST", "/api/2.0/files/content").size() == 2; },
                                   std::chrono::seconds(30)));
}

TEST_F(UploadFailure, AFileCutShortDuringTheUploadIsNeverSentShort)
{
    AddFault(Rule("PUT", kPartPath, R"([{"action":"pass"},{"action":"pass","delay_ms":1500}])"));
    const LocalFile file = LocalFile::WithPattern(kSessionFileSize, 39);
    Box_20::UploadFileRecord record = NewFileRecord(file, L"big.bin");
    auto informer = informer_;
    // While the second part travels, the file loses all but ten bytes of the third.
    const WhenThen cut([informer] { return informer->RequestStarts() >= 3; },
                       [&file] { file.Truncate(2 * 8 * kMiB + 10); });

    try {
        Box_20::UploadFile(informer_.get(), record);
        FAIL() << "a short read must fail the upload";
    } catch (const Box_20::ApiException& error) {
        EXPECT_NE(std::wstring::npos, error.GetText().find(L"read only 10 of 1048576 bytes at offset 16777216"))
            << error.what();
    }
    EXPECT_EQ(2u, Requests("PUT", kPartPath).size()) << "no part of unread bytes";
    EXPECT_EQ("aborted", Sessions()[0]["state"].asString());
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

INSTANTIATE_TEST_SUITE_P(UploadFailure, UnreadableFile, ::testing::ValuesIn(kUnreadable), BoxRoad::CaseName());

} // namespace
