// Byte bodies as uploads send them: every byte and header (User-Agent last) arrives; a broken reply or stop ends it;
// a body of several blocks goes only with a digest header.
#include "ByteArrays.h"
#include "DigestHex.h"
#include "LSBaseJsonWS.h"
#include "LSUserAgent.h"
#include "StandInJournal.h"
#include "WebServiceTestSupport.h"

#include <cstring>

using namespace WebServiceTest;

namespace {

constexpr size_t kBodySize = 4 * 1024 * 1024;
const std::string kBytes = [] {
    std::string bytes(kBodySize, '\0');
    for (size_t i = 0; i < kBodySize; ++i)
        bytes[i] = static_cast<char>((31 * i + (i >> 16)) & 0xFF);
    return bytes;
}();

// A new array for every send, as each upload part gets.
_variant_t ByteBody()
{
    TalvernCommon::unique_safearray array = TalvernCommon::CreateByteArray(kBodySize, "test body");
    std::memcpy(TalvernCommon::SafeArrayData(array.get()).Bytes(), kBytes.data(), kBodySize);
    return TalvernCommon::ByteArrayVariant(std::move(array));
}

class ByteBodies : public StandInTest {
protected:
    // Every body of several blocks goes with a digest header, as an upload part does.
    std::unique_ptr<ILSHttpRequest> OpenWithDigest(const std::string& path, const wchar_t* header = L"digest") const
    {
        std::unique_ptr<ILSHttpRequest> request = Open(L"PUT", Url(path));
        request->SetRequestHeader(header, L"sha=unchecked");
        return request;
    }
};

} // namespace

TEST_F(ByteBodies, RepeatedSendsArriveWhole)
{
    Script("PUT", "/test/part", ParseJson(R"({"status": 200, "json": {"part": {"size": 4194304}}, "times": 3})"));
    for (int i = 0; i < 3; ++i) {
        const auto request = Send(L"PUT", "/test/part?session=7", ByteBody(),
                                  {{L"Content-Range", L"bytes 0-4194303/4194304"},
                                   {L"Content-Type", L"application/octet-stream"}, {L"digest", L"sha=unchecked"}});
        EXPECT_EQ(CLSBaseJsonWS::ParseJsonResponse(CLSBaseJsonWS::ReplyBytes(*request))["part"]["size"].asUInt64(),
                  kBodySize);
    }
    const Json::Value entries = standIn.JournalEntries(0, "/test/part");
    ASSERT_EQ(entries.size(), 3u);
    const std::string sha1 =
        TestSupport::Sha1Hex(CLSHash::GetSha1ForData(kBodySize, reinterpret_cast<const BYTE*>(kBytes.data())));
    ASSERT_FALSE(SystemUserAgent().empty());
    for (const Json::Value& entry : entries) {
        EXPECT_EQ(entry["body_size"].asUInt64(), kBodySize);
        EXPECT_EQ(entry["body_sha1"].asString(), sha1);
        EXPECT_EQ(entry["query"].asString(), "session=7");
        EXPECT_TRUE(HeadersInOrder(entry, {"Content-Range", "Content-Type", "digest", "User-Agent"}));
        EXPECT_EQ(TestSupport::JournalHeader(entry, "User-Agent"), Utf8(SystemUserAgent()));
    }
}

TEST_F(ByteBodies, ABrokenReplyFailsTheSendAndAStopMeetingItEndsWithEAbort)
{
    Script("PUT", "/test/cut", ParseJson(R"({"status": 200, "text": ")" + std::string(5000, 'x') + R"(", "truncate_at": 100})"));
    // The stand-in reads the request and closes the connection unanswered; WinINet sends once
    // more on a new connection when a kept-alive one closes unanswered.
    for (const char* path : {"/test/drop", "/test/drop-at-stop"})
        Script("PUT", path, ParseJson(R"({"action": "close", "times": 3})"));
    const std::pair<std::string, HRESULT> cases[] = {{"/test/cut", HRESULT_FROM_WIN32(ERROR_INTERNET_CONNECTION_RESET)},
                                                     {"/test/drop", HRESULT_FROM_WIN32(ERROR_HTTP_INVALID_SERVER_RESPONSE)},
                                                     {"/test/drop-at-stop", E_ABORT}};
    for (const auto& [path, expected] : cases) {
        const LSCancelCheck stop = expected == E_ABORT ? StopOnceScriptedAnswerBegins(path) : LSCancelCheck();
        EXPECT_EQ(OpenWithDigest(path)->Send(ByteBody(), stop), expected) << path;
    }
}

// The rest of a body given up between its blocks goes out as filler, which only a digest that the
// server checks keeps from being stored: a body without one is refused before anything is sent.
TEST_F(ByteBodies, ABodyOfSeveralBlocksGoesOnlyUnderADigestHeader)
{
    Script("PUT", "/test/guarded", ParseJson(R"({"status": 200, "json": {}})"));
    EXPECT_EQ(E_INVALIDARG, Open(L"PUT", Url("/test/unguarded"))->Send(ByteBody(), nullptr));
    EXPECT_EQ(S_OK, OpenWithDigest("/test/guarded", L"Content-MD5")->Send(ByteBody(), nullptr));
    const Json::Value entries = standIn.JournalEntries(0, "/test/*");
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0]["path"].asString(), "/test/guarded");
    EXPECT_EQ(entries[0]["body_size"].asUInt64(), kBodySize);
}
