// XMLHTTP sends: status classes, the ways a wait ends (reply, stop from another thread, a silent
// peer), and what a stopped transfer leaves behind.
#include "LSXmlHttpRequest.h"
#include "WebServiceTestSupport.h"

#include <psapi.h>
#include <wininet.h>

using namespace WebServiceTest;

namespace {

Json::Value Reply(int status, const std::string& text, const Json::Value& headers = Json::objectValue)
{
    Json::Value reply = ParseJson(R"({"content_type": "application/json"})");
    reply["status"] = status;
    reply["text"] = text;
    reply["headers"] = headers;
    return reply;
}

// The process's private bytes as a host reads them; Wine reports them only as the commit charge.
SIZE_T PrivateBytes()
{
    PROCESS_MEMORY_COUNTERS_EX counters{};
    counters.cb = sizeof(counters);
    if (!::GetProcessMemoryInfo(::GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                                sizeof(counters)))
        throw hresult_exception(HRESULT_FROM_WIN32(::GetLastError()), "GetProcessMemoryInfo failed");
    return counters.PrivateUsage != 0 ? counters.PrivateUsage : counters.PagefileUsage;
}

using XmlHttpSend = StandInTest;

} // namespace

// Failures raise LSHttpError with the status, the body and Retry-After.
TEST_F(XmlHttpSend, RedirectsAreFollowedAnEmptyReplyIsNoFailureOtherRedirectAndFailureStatusesFail)
{
    Script("GET", "/test/moved",
           Reply(302, "", ParseJson(R"({"Location": ")" + standIn.BaseUrl() + R"(/test/target"})")));
    Script("GET", "/test/target", Reply(204, ""));
    const auto request = Send(L"GET", "/test/moved");
    EXPECT_EQ(request->GetStatus(), 204);
    EXPECT_EQ(std::wstring(request->GetResponseText()), L"");
    EXPECT_EQ(standIn.JournalEntries(0, "/test/target").size(), 1u);
    EXPECT_EQ(informer->RequestStarts(), 1);

    Script("GET", "/test/choices", Reply(300, "pick one"));
    EXPECT_EQ(ThrownHttpError([this] { Send(L"GET", "/test/choices"); }).GetStatus(), 300);

    Script("GET", "/test/fail", Reply(409, "{\"type\":\"error\"}"));
    const LSHttpError error = ThrownHttpError([this] { Send(L"GET", "/test/fail"); });
    EXPECT_EQ(error.GetStatus(), 409);
    EXPECT_EQ(error.GetRetryAfterSeconds(), 0);
    EXPECT_EQ(error.FormatMessage(), L"Conflict (409)\n({\"type\":\"error\"})");
}

TEST_F(XmlHttpSend, AStopEndsTheSendAndLaterRequestsGetTheirOwnReplies)
{
    ScriptHang("GET", "/test/hang");
    EXPECT_EQ(ThrownWhenStoppedWhileWaiting([this] { Send(L"GET", "/test/hang"); }), E_ABORT);
    EXPECT_EQ(ThrownHresult([this] { Send(L"GET", "/test/hang"); }), E_ABORT) << "a stop already asked for";
    // The stopped transfers end now, behind the next requests' backs.
    standIn.Reset();
    informer = TestHost::TestShutdownInformer::Create();
    for (int i = 0; i < 3; ++i) {
        const std::string path = "/test/own" + std::to_string(i);
        Script("GET", path, Reply(200, "{\"mine\":" + std::to_string(i) + "}"));
        EXPECT_EQ(std::wstring(Send(L"GET", path)->GetResponseText()), Wide("{\"mine\":" + std::to_string(i) + "}"));
    }
}

TEST_F(XmlHttpSend, APeerThatNeverAnswersEndsInATimeoutNotAHangAndBadUseFails)
{
    // Under Wine a refused connection leaves the XMLHTTP object waiting forever on its own.
    const std::wstring url = RefusedUrl();
    std::unique_ptr<ILSHttpRequest> request = std::make_unique<LSXmlHttpRequest>(std::chrono::milliseconds(1500));
    ASSERT_HRESULT_SUCCEEDED(request->Open(_bstr_t(L"GET"), _bstr_t(url.c_str()), _variant_t(true), _variant_t(L""),
                                          _variant_t(L"")));
    EXPECT_EQ(ThrownHresult([&] { CLSBaseWS::PerformAsyncVariantSend(request, url, _variant_t(), nullptr); }),
              HRESULT_FROM_WIN32(ERROR_INTERNET_TIMEOUT));

    std::unique_ptr<ILSHttpRequest> unopened = std::make_unique<LSXmlHttpRequest>();
    EXPECT_EQ(ThrownHresult([&] { CLSBaseWS::PerformAsyncVariantSend(unopened, L"", _variant_t(), nullptr); }),
              E_UNEXPECTED);
    EXPECT_TRUE(FAILED(unopened->Open(_bstr_t(L"GET"), _bstr_t(L"not a url"), _variant_t(true), _variant_t(L""),
                                      _variant_t(L""))));
}

constexpr SIZE_T kReplyBytes = 1024 * 1024;

// Stopped transfers go on, and their replies still arrive into their objects: once a reply is in,
// nothing of its transfer may stay, so that a sync stopped again and again does not grow the host's
// memory.
class StoppedTransfers : public StandInTest {
protected:
    void SetUp() override
    {
        StandInTest::SetUp();
        Json::Value slow = Reply(200, std::string(kReplyBytes, 'x'));
        slow["delay_ms"] = 400;
        slow["times"] = 1000;
        Script("POST", "/test/slow", slow);
        Json::Value quick = Reply(200, "{}");
        quick["times"] = 1000;
        Script("POST", "/test/quick", quick);
    }

    void StopOne() { ASSERT_EQ(Open(L"POST", Url("/test/slow"))->Send(_variant_t(L"{}"), [] { return true; }), E_ABORT); }
    // One as slow as the stopped transfers lets their replies in, and the one after it lets go of them.
    void LetStoppedRepliesInAndSweep()
    {
        Send(L"POST", "/test/slow", _variant_t(L"{}"));
        Send(L"POST", "/test/quick", _variant_t(L"{}"));
    }
    // What the process's private bytes grew by over the rounds of one stop each, after a first few.
    SIZE_T GrowthOverStopsOneAtATime(int stops)
    {
        const auto round = [this] {
            StopOne();
            LetStoppedRepliesInAndSweep();
        };
        for (int i = 0; i < 3; ++i)
            round();
        const SIZE_T before = PrivateBytes();
        for (int i = 0; i < stops; ++i)
            round();
        const SIZE_T after = PrivateBytes();
        return after > before ? after - before : 0;
    }
};

TEST_F(StoppedTransfers, ManyStoppedAtOnceLeaveNothingBehindOnceTheirRepliesAreIn)
{
    constexpr int kStops = 12;
    const auto stopMany = [&] {
        for (int i = 0; i < kStops; ++i)
            StopOne();
        LetStoppedRepliesInAndSweep();
    };

    stopMany();
    const SIZE_T afterFirstStops = PrivateBytes();
    stopMany();
    const SIZE_T afterSecondStops = PrivateBytes();

    EXPECT_LT(afterSecondStops, afterFirstStops + kStops * kReplyBytes / 2)
        << "private bytes after " << kStops << " stops: " << afterFirstStops << ", after " << 2 * kStops << ": "
        << afterSecondStops;
}

// A host that stops each transfer it starts: every sweep finds one, and none may stay for good.
TEST_F(StoppedTransfers, StoppedOneAtATimeLeaveNothingBehind)
{
    constexpr int kStops = 12;
    const SIZE_T growth = GrowthOverStopsOneAtATime(kStops);
    EXPECT_LT(growth, kStops * kReplyBytes / 4) << "private bytes grew by " << growth << " over " << kStops << " stops";
}

// A thread that ended can run no notice of its transfers any more: what it gave up is let go of by the
// next sweep on any thread, and takes no room from the stops after it.
TEST_F(StoppedTransfers, StoppedByThreadsThatEndedTakeNoRoomFromLaterStops)
{
    constexpr int kEndedThreads = 16;
    constexpr int kStops = 12;
    for (int i = 0; i < kEndedThreads; ++i) {
        std::thread([this] {
            const bool initialized = SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
            StopOne();
            if (initialized)
                ::CoUninitialize();
        }).join();
    }
    const SIZE_T growth = GrowthOverStopsOneAtATime(kStops);
    EXPECT_LT(growth, kStops * kReplyBytes / 4) << "private bytes grew by " << growth << " over " << kStops << " stops";
}
