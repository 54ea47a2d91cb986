// WinINet downloads and text requests: no failure or stop leaves a partial file under the target's name,
// and no request given up leaves anything behind.
#include "LSBaseWS.h"
#include "LSWinInet.h"
#include "ProcessHandles.h"
#include "SilentPeer.h"
#include "WebServiceTestSupport.h"

using namespace WebServiceTest;
using namespace std::chrono_literals;

namespace {

// Past the stand-in's spill to disk.
constexpr uint64_t kLargeSize = 40ULL * 1024 * 1024 + 12345;
const char kPreviousContent[] = "what the user had before";

class WinInetDownload : public StandInTest {
protected:
    CStdStr<wchar_t> Download(const std::string& fileId, const std::wstring& token = L"initialaccesstoken")
    {
        return CLSBaseWS::DownloadFileWithWinInet({{L"Authorization", L"Bearer " + token}, {L"Auth-Type", L"OAUTH2"}},
                                                  Url("/2.0/files/" + fileId + "/content"), target, L"item 7", informer.get());
    }

    CStdStr<wchar_t> GetText(const std::string& path, const std::wstring& headers, LSCancelCheck cancel = {},
                             DWORD timeoutMs = 0)
    {
        return GetTextAt(Url(path), headers, std::move(cancel), timeoutMs);
    }
    CStdStr<wchar_t> GetTextAt(const std::wstring& url, const std::wstring& headers, LSCancelCheck cancel = {},
                               DWORD timeoutMs = 0)
    {
        WinInetRequestContext context(cancel ? std::move(cancel) : MakeCancelCheck(informer.get()), true, timeoutMs);
        return LSWinInetNS::LSWinInetBase::PostText(context, L"GET", url, headers, L"");
    }

    void AddCutShortReply(const std::string& path)
    {
        // Twice: a reply cut off once is fetched again.
        Script("GET", path, ParseJson(R"({"status": 200, "text": ")" + std::string(200000, 'x') +
                                      R"(", "content_type": "application/octet-stream", "truncate_at": 50000, "times": 2})"));
    }

    void ExpectTargetUntouched()
    {
        EXPECT_EQ(ReadFileBytes(target), kPreviousContent);
        EXPECT_EQ(folder.FileNames(), std::vector<std::wstring>{L"report.bin"});
    }

    ScratchFolder folder;
    const std::wstring target = folder.File(L"report.bin");
};

} // namespace

TEST_F(WinInetDownload, FailureStatusesRaiseLSHttpErrorAndLeaveTheTargetAlone)
{
    const std::string id = standIn.SeedPatternFile("small.bin", 1000, 1);
    folder.Write(L"report.bin", kPreviousContent);
    const LSHttpError missing = ThrownHttpError([this] { Download("987654321"); });
    EXPECT_EQ(missing.GetStatus(), 404);
    EXPECT_NE(missing.GetDetail().find(L"not_found"), std::wstring::npos);
    Script("GET", "/2.0/files/" + id + "/content", ParseJson(R"({"status": 503, "headers": {"Retry-After": "2"}})"));
    EXPECT_EQ(ThrownHttpError([&] { Download(id); }).GetRetryAfterSeconds(), 2);
    ExpectTargetUntouched();
}

TEST_F(WinInetDownload, ACutConnectionOrARefusedOneLeavesNoFileAStopMeetingTheCutEndsWithEAbort)
{
    AddCutShortReply("/test/cut");
    EXPECT_TRUE(FAILED(ThrownHresult([this] { CLSBaseWS::DownloadFile(Url("/test/cut"), target, informer.get()); })));
    EXPECT_EQ(ThrownHresult([&] { CLSBaseWS::DownloadFile(RefusedUrl(), target, informer.get()); }),
              HRESULT_FROM_WIN32(ERROR_INTERNET_CANNOT_CONNECT));
    EXPECT_TRUE(folder.FileNames().empty());

    AddCutShortReply("/test/cut-at-stop");
    folder.Write(L"report.bin", kPreviousContent);
    WinInetRequestContext context(StopOnceScriptedAnswerBegins("/test/cut-at-stop"), false, 0);
    EXPECT_EQ(ThrownHresult([&] {
                  LSWinInetNS::LSWinInetBase::DownloadToFile(context, Url("/test/cut-at-stop"), L"", target, 0);
              }),
              E_ABORT);
    ExpectTargetUntouched();
}

TEST_F(WinInetDownload, AStopInTheMiddleLeavesThePreviousFileAndNoTemporary)
{
    const std::string id = standIn.SeedPatternFile("large.bin", kLargeSize, 4);
    folder.Write(L"report.bin", kPreviousContent);
    // Seconds for the whole file, so that the stop lands in the middle however busy the machine.
    standIn.SetSwitches(ParseJson(R"({"reply_send_pace_ms": 100})"));
    {
        const ActWhen stopper = StopWhen([this] {
            for (const std::wstring& name : folder.FileNames()) {
                WIN32_FILE_ATTRIBUTE_DATA data = {};
                if (name != L"report.bin" &&
                    ::GetFileAttributesExW(folder.File(name).c_str(), GetFileExInfoStandard, &data) &&
                    (data.nFileSizeHigh != 0 || data.nFileSizeLow > 2 * 1024 * 1024))
                    return true;
            }
            return false;
        });
        EXPECT_EQ(ThrownHresult([&] { Download(id); }), E_ABORT);
    }
    ExpectTargetUntouched();
}

// Where it leads, and its failures, are the result-download suite's part, through COM.
TEST_F(WinInetDownload, PostTextReturnsTheRedirectWithoutFollowingItAndEndsOnAStopOrAStall)
{
    const std::string id = standIn.SeedPatternFile("doc.bin", 4096, 5);
    const int since = standIn.JournalNext();
    const CStdStr<wchar_t> location =
        GetText("/2.0/files/" + id + "/content", L"Authorization: Bearer initialaccesstoken\r\nAuth-Type: OAUTH2\r\n");
    EXPECT_EQ(location.find(standIn.BaseUrlWide()), 0u) << Utf8(location);
    const Json::Value sent = standIn.JournalEntries(since);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_TRUE(HeadersInOrder(sent[0], {"Content-Type", "Authorization", "Auth-Type"}));

    ScriptHang("GET", "/test/hang");
    EXPECT_EQ(ThrownWhenStoppedWhileWaiting([&] { GetText("/test/hang", L""); }), E_ABORT);
    ScriptHang("GET", "/test/stall");
    EXPECT_EQ(ThrownHresult([&] { GetText("/test/stall", L"", [] { return false; }, 1000); }),
              HRESULT_FROM_WIN32(ERROR_INTERNET_TIMEOUT));
}

// Pages begun ahead and then dropped, and requests that timed out while the server held its answer:
// each one's event, buffers and body go with WinINet's last notice for it, which always comes.
TEST_F(WinInetDownload, RequestsGivenUpMidStepLeaveNoHandlesBehind)
{
    const std::string id = standIn.SeedPatternFile("doc.bin", 4096, 5);
    const std::wstring page = Url("/2.0/files/" + id + "/content");
    const auto beginAndDrop = [&] {
        WinInetRequestContext context(MakeCancelCheck(informer.get()), false, 0);
        context.BeginSend(L"GET", page, L"", LSHttpBodyBytes(), INTERNET_FLAG_NO_AUTO_REDIRECT);
    };
    beginAndDrop();
    ASSERT_TRUE(WaitUntil([&] { return standIn.JournalEntries(0, "/2.0/files/*").size() == 1; }));
    const size_t before = TestSupport::OpenHandleCount();
    ASSERT_NE(0u, before);

    for (int i = 0; i < 100; ++i)
        beginAndDrop();
    Script("GET", "/test/stall", ParseJson(R"({"action": "hang", "hang_ms": 3000, "times": 5})"));
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(ThrownHresult([&] { GetText("/test/stall", L"", [] { return false; }, 500); }),
                  HRESULT_FROM_WIN32(ERROR_INTERNET_TIMEOUT));

    size_t after = 0;
    EXPECT_TRUE(WaitUntil([&] {
        after = TestSupport::OpenHandleCount();
        return standIn.JournalEntries(0, "/2.0/files/*").size() == 101 && after <= before + 10;
    })) << before << " handles before, " << after << " after";
}

// WinINet's own wait for a reply has the step bound too: without it, a request given up on a peer that
// took the connection and stays silent would keep its state and handles for as long as the peer does.
TEST_F(WinInetDownload, RequestsGivenUpOnASilentPeerLetGoOnceTheirStepBoundHasPassed)
{
    constexpr size_t kRequests = 6;
    const std::string id = standIn.SeedPatternFile("doc.bin", 4096, 5);
    // WinINet's session and threads are up before the count is taken.
    GetText("/2.0/files/" + id + "/content", L"Authorization: Bearer initialaccesstoken\r\n");
    const SilentPeer peer;
    const size_t before = TestSupport::OpenHandleCount();
    ASSERT_NE(0u, before);

    for (size_t i = 0; i < kRequests; ++i)
        EXPECT_EQ(ThrownHresult([&] { GetTextAt(peer.Url(), L"", [] { return false; }, 300); }),
                  HRESULT_FROM_WIN32(ERROR_INTERNET_TIMEOUT));

    // The peer's end of each connection is a handle of this process too; each request held at least
    // two more (its socket and its event).
    size_t after = 0;
    EXPECT_TRUE(WaitUntil([&] { return (after = TestSupport::OpenHandleCount()) < before + 2 * kRequests; }, 5s))
        << before << " handles before, " << after << " after";
    EXPECT_EQ(kRequests, peer.Connections()) << "the peer is to hold every connection open meanwhile";
}
