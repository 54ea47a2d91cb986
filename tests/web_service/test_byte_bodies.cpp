// Byte bodies through the factory's request, as uploads send them: every byte and header reaches
// the server in order, a stop ends the send, and sending leaves no copy of the body behind
// (Wine's XMLHTTP keeps one of every body it sends).
#include "ComOwners.h"
#include "LSBaseJsonWS.h"
#include "WebServiceTestSupport.h"

#include <psapi.h>

#include <chrono>
#include <cstring>
#include <new>

using namespace WebServiceTest;

namespace {

constexpr size_t kBodySize = 4 * 1024 * 1024;
constexpr int kSends = 12;

std::string PatternBytes(size_t size)
{
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>((31 * i + (i >> 16)) & 0xFF);
    return bytes;
}

// A new array for every send, as each upload part gets.
_variant_t ByteBody(const std::string& bytes)
{
    TalvernCommon::unique_safearray array(::SafeArrayCreateVector(VT_UI1, 0, static_cast<ULONG>(bytes.size())));
    if (!array)
        throw std::bad_alloc();
    std::memcpy(array.get()->pvData, bytes.data(), bytes.size());
    VARIANT body;
    ::VariantInit(&body);
    body.vt = VT_ARRAY | VT_UI1;
    body.parray = array.release();
    return _variant_t(body, false);
}

// The process's committed private memory: Wine leaves PrivateUsage 0 and reports it as
// PagefileUsage.
SIZE_T PrivateBytes()
{
    PROCESS_MEMORY_COUNTERS_EX counters{};
    counters.cb = sizeof(counters);
    ::GetProcessMemoryInfo(::GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                           sizeof(counters));
    return counters.PrivateUsage != 0 ? counters.PrivateUsage : counters.PagefileUsage;
}

class ByteBodies : public StandInTest {
protected:
    // A PUT with the headers of a session part, sent as the Box client sends it.
    std::unique_ptr<ILSHttpRequest> SendPart(const std::string& path, const _variant_t& body)
    {
        std::unique_ptr<ILSHttpRequest> request = Open(L"PUT", Url(path));
        request->SetRequestHeader(L"Content-Range", L"bytes 0-4194303/4194304");
        request->SetRequestHeader(L"Content-Type", L"application/octet-stream");
        request->SetRequestHeader(L"digest", L"sha=unchecked");
        CLSBaseWS::PerformAsyncVariantSend(request, Url(path), body, informer.get());
        return request;
    }
};

} // namespace

TEST_F(ByteBodies, RepeatedSendsArriveWholeAndLeaveNoCopyBehind)
{
    Json::Value accepted;
    accepted["method"] = "PUT";
    accepted["path"] = "/test/part";
    accepted["status"] = 200;
    accepted["json"]["part"]["size"] = static_cast<Json::UInt64>(kBodySize);
    accepted["times"] = kSends + 1;
    standIn.AddFault(accepted);
    const std::string bytes = PatternBytes(kBodySize);
    const int since = standIn.JournalNext();

    // The first send sets up what the transports keep for the process's life.
    SendPart("/test/part?session=7", ByteBody(bytes));
    const SIZE_T before = PrivateBytes();
    for (int i = 0; i < kSends; ++i) {
        const auto request = SendPart("/test/part?session=7", ByteBody(bytes));
        EXPECT_EQ(request->GetStatus(), 200);
        EXPECT_EQ(CLSBaseJsonWS::ParseJsonResponse(static_cast<const wchar_t*>(request->GetResponseText()))["part"]
                      ["size"].asUInt64(),
                  kBodySize);
    }
    const SIZE_T after = PrivateBytes();
    const SIZE_T sent = kSends * kBodySize;
    EXPECT_LT(after > before ? after - before : 0, sent / 4)
        << "private memory went from " << before / 1024 << " KiB to " << after / 1024 << " KiB over "
        << sent / 1024 << " KiB sent";

    const Json::Value entries = standIn.JournalEntries(since, "/test/part");
    ASSERT_EQ(entries.size(), static_cast<unsigned>(kSends + 1));
    const std::string sha1 = Sha1HexOfBytes(bytes);
    for (const Json::Value& entry : entries) {
        EXPECT_EQ(entry["method"].asString(), "PUT");
        EXPECT_EQ(entry["body_size"].asUInt64(), kBodySize);
        EXPECT_EQ(entry["body_sha1"].asString(), sha1);
        EXPECT_EQ(entry["query"].asString(), "session=7");
        EXPECT_TRUE(HeadersInOrder(entry, {"Content-Range", "Content-Type", "digest", "User-Agent"}));
    }
}

TEST_F(ByteBodies, AStopDuringTheSendEndsItWithEAbort)
{
    ScriptHang("PUT", "/test/hang");
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(ThrownWhenStoppedWhileWaiting([this] { SendPart("/test/hang", ByteBody(PatternBytes(kBodySize))); }),
              E_ABORT);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(30));
    const Json::Value entries = standIn.JournalEntries(0, "/test/hang");
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0]["body_size"].asUInt64(), kBodySize);
}
