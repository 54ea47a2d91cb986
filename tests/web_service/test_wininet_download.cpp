// Downloads and text posts over WinINet against the stand-in: a large file through Box's
// redirect, failure statuses, a cut connection and a stop (also one that meets a cut connection:
// the stop wins), none of which may leave a partial file under the target's name.
#include "LSBaseWS.h"
#include "LSCancelCheck.h"
#include "LSHttpError.h"
#include "LSWinInet.h"
#include "WebServiceTestSupport.h"

using namespace WebServiceTest;

namespace {

constexpr uint64_t kLargeSize = 300ULL * 1024 * 1024 + 12345;
const char kPreviousContent[] = "what the user had before";

class WinInetDownload : public StandInTest {
protected:
    std::wstring ContentUrl(const std::string& fileId) { return Url("/2.0/files/" + fileId + "/content"); }

    LSHttpHeaderMap BearerHeaders(const std::wstring& token = L"initialaccesstoken")
    {
        return {{L"Authorization", L"Bearer " + token}, {L"Auth-Type", L"OAUTH2"}};
    }

    CStdStr<wchar_t> Download(const std::string& fileId, const std::wstring& target)
    {
        return CLSBaseWS::DownloadFileWithWinInet(BearerHeaders(), ContentUrl(fileId), target, L"item 7",
                                                  informer.get());
    }

    // A 200 reply promising 200,000 bytes whose connection drops after 50,000.
    void AddCutShortReply(const std::string& path)
    {
        Json::Value cut;
        cut["method"] = "GET";
        cut["path"] = path;
        cut["status"] = 200;
        cut["text"] = std::string(200000, 'x');
        cut["content_type"] = "application/octet-stream";
        cut["truncate_at"] = 50000;
        standIn.AddFault(cut);
    }

    ScratchFolder folder;
    const std::wstring target = folder.File(L"report.bin");
};

} // namespace

TEST_F(WinInetDownload, ALargeFileArrivesWholeThroughTheRedirect)
{
    const std::string id = standIn.SeedPatternFile("large.bin", kLargeSize, 3);
    const int since = standIn.JournalNext();
    EXPECT_EQ(Download(id, target), target);
    EXPECT_EQ(FileSize(target), kLargeSize);
    EXPECT_EQ(Sha1Hex(target), standIn.Item("file", id)["sha1"].asString());
    EXPECT_EQ(folder.FileNames(), std::vector<std::wstring>{L"report.bin"});
    EXPECT_EQ(informer->RequestStarts(), 1);

    const Json::Value sent = standIn.JournalEntries(since);
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[0]["path"].asString(), "/2.0/files/" + id + "/content");
    EXPECT_EQ(sent[0]["status"].asInt(), 302);
    EXPECT_EQ(sent[1]["status"].asInt(), 200);
}

TEST_F(WinInetDownload, ADirectReplyReplacesAnExistingFile)
{
    standIn.SetSwitches([] {
        Json::Value switches;
        switches["download_mode"] = "direct";
        return switches;
    }());
    const std::string id = standIn.SeedPatternFile("small.bin", 70000, 9);
    WriteFileBytes(target, kPreviousContent);
    Download(id, target);
    EXPECT_EQ(FileSize(target), 70000u);
    EXPECT_EQ(Sha1Hex(target), standIn.Item("file", id)["sha1"].asString());
    EXPECT_EQ(folder.FileNames(), std::vector<std::wstring>{L"report.bin"});
}

TEST_F(WinInetDownload, FailureStatusesRaiseLSHttpErrorAndLeaveTheTargetAlone)
{
    const std::string id = standIn.SeedPatternFile("small.bin", 1000, 1);
    WriteFileBytes(target, kPreviousContent);
    const LSHttpError missing = ThrownHttpError([this] { Download("987654321", target); });
    EXPECT_EQ(missing.GetStatus(), 404);
    EXPECT_NE(missing.GetDetail().find(L"not_found"), std::wstring::npos);
    EXPECT_EQ(ThrownHttpError([&] {
                  CLSBaseWS::DownloadFileWithWinInet(BearerHeaders(L"expiredtoken"), ContentUrl(id), target, L"",
                                                     informer.get());
              }).GetStatus(),
              401);
    Json::Value busy;
    busy["method"] = "GET";
    busy["path"] = "/2.0/files/" + id + "/content";
    busy["status"] = 503;
    busy["headers"]["Retry-After"] = "2";
    standIn.AddFault(busy);
    const LSHttpError busyError = ThrownHttpError([&] { Download(id, target); });
    EXPECT_EQ(busyError.GetStatus(), 503);
    EXPECT_EQ(busyError.GetRetryAfterSeconds(), 2);
    EXPECT_EQ(ReadFileBytes(target), kPreviousContent);
    EXPECT_EQ(folder.FileNames(), std::vector<std::wstring>{L"report.bin"});
}

TEST_F(WinInetDownload, AConnectionCutShortLeavesNoFile)
{
    AddCutShortReply("/test/cut");
    EXPECT_TRUE(FAILED(ThrownHresult([this] { CLSBaseWS::DownloadFile(Url("/test/cut"), target, informer.get()); })));
    EXPECT_TRUE(folder.FileNames().empty());
}

TEST_F(WinInetDownload, AStopInTheMiddleLeavesThePreviousFileAndNoTemporary)
{
    const std::string id = standIn.SeedPatternFile("large.bin", kLargeSize, 4);
    WriteFileBytes(target, kPreviousContent);
    {
        StopWhen stopper(informer.get(), [this] {
            for (const std::wstring& name : folder.FileNames()) {
                if (name != L"report.bin" && FileSize(folder.File(name)) > 8 * 1024 * 1024)
                    return true;
            }
            return false;
        });
        EXPECT_EQ(ThrownHresult([&] { Download(id, target); }), E_ABORT);
    }
    EXPECT_EQ(ReadFileBytes(target), kPreviousContent);
    EXPECT_EQ(folder.FileNames(), std::vector<std::wstring>{L"report.bin"});
}

TEST_F(WinInetDownload, AStopThatMeetsACutConnectionEndsWithEAbort)
{
    AddCutShortReply("/test/cut-at-stop");
    WriteFileBytes(target, kPreviousContent);
    WinInetRequestContext context(StopOnceScriptedAnswerBegins("/test/cut-at-stop"), false, 0);
    EXPECT_EQ(ThrownHresult([&] {
                  LSWinInetNS::LSWinInetBase::DownloadToFile(context, Url("/test/cut-at-stop"), L"", target, 0);
              }),
              E_ABORT);
    EXPECT_EQ(ReadFileBytes(target), kPreviousContent);
    EXPECT_EQ(folder.FileNames(), std::vector<std::wstring>{L"report.bin"});
}

TEST_F(WinInetDownload, ARefusedConnectionFailsAtOnce)
{
    const std::wstring url = L"http://127.0.0.1:" + std::to_wstring(UnusedLocalPort()) + L"/x";
    EXPECT_EQ(ThrownHresult([&] { CLSBaseWS::DownloadFile(url, target, informer.get()); }),
              HRESULT_FROM_WIN32(ERROR_INTERNET_CANNOT_CONNECT));
    EXPECT_TRUE(folder.FileNames().empty());
}

TEST_F(WinInetDownload, PostTextReturnsTheRedirectWithoutFollowingIt)
{
    const std::string id = standIn.SeedPatternFile("doc.bin", 4096, 5);
    const int since = standIn.JournalNext();
    WinInetRequestContext context(MakeCancelCheck(informer.get()), CLSBaseWS::ShouldLogResponses(), 0);
    const CStdStr<wchar_t> location = LSWinInetNS::LSWinInetBase::PostText(
        context, L"GET", ContentUrl(id), L"Authorization: Bearer initialaccesstoken\r\nAuth-Type: OAUTH2\r\n", L"");
    EXPECT_EQ(location.find(standIn.BaseUrlWide()), 0u) << Utf8(location);

    const Json::Value sent = standIn.JournalEntries(since);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_TRUE(HeadersInOrder(sent[0], {"Content-Type", "Authorization", "Auth-Type"}));

    EXPECT_EQ(CLSBaseWS::DownloadFile(location, target, informer.get()), target);
    EXPECT_EQ(Sha1Hex(target), standIn.Item("file", id)["sha1"].asString());
}

TEST_F(WinInetDownload, PostTextSendsItsBodyAsUtf8AndChecksTheStatus)
{
    Json::Value accepted;
    accepted["method"] = "POST";
    accepted["path"] = "/test/post";
    accepted["status"] = 200;
    standIn.AddFault(accepted);
    const int since = standIn.JournalNext();
    WinInetRequestContext context(MakeCancelCheck(informer.get()), true, 0);
    EXPECT_EQ(LSWinInetNS::LSWinInetBase::PostText(context, L"POST", Url("/test/post"), L"",
                                                  L"<a>Gr\x00fc\x00df" L"e</a>"),
              L"");
    const Json::Value sent = standIn.JournalEntries(since);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0]["body_base64"].asString(), "PGE+R3LDvMOfZTwvYT4=");

    WinInetRequestContext missing(MakeCancelCheck(informer.get()), true, 0);
    EXPECT_EQ(ThrownHttpError([&] {
                  LSWinInetNS::LSWinInetBase::PostText(missing, L"GET", Url("/2.0/files/55555/content"),
                                                       L"Authorization: Bearer initialaccesstoken\r\n", L"");
              }).GetStatus(),
              404);
}

TEST_F(WinInetDownload, AStopWhileWaitingForTheReplyEndsPostTextWithEAbort)
{
    ScriptHang("GET", "/test/hang");
    WinInetRequestContext context(MakeCancelCheck(informer.get()), false, 0);
    EXPECT_EQ(ThrownWhenStoppedWhileWaiting(
                  [&] { LSWinInetNS::LSWinInetBase::PostText(context, L"GET", Url("/test/hang"), L"", L""); }),
              E_ABORT);
}

TEST_F(WinInetDownload, AReplyThatStallsEndsInATimeout)
{
    ScriptHang("GET", "/test/stall");
    WinInetRequestContext context(LSCancelCheck(), false, 1000);
    EXPECT_EQ(ThrownHresult([&] { LSWinInetNS::LSWinInetBase::PostText(context, L"GET", Url("/test/stall"), L"", L""); }),
              HRESULT_FROM_WIN32(ERROR_INTERNET_TIMEOUT));
}
