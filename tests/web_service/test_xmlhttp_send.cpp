// Sending through XMLHTTP against the stand-in: every status class, the request as the server
// sees it, and the ways a wait ends (reply, stop from another thread, a peer that never answers).
#include "BstrText.h"
#include "LSBaseJsonWS.h"
#include "LSHttpError.h"
#include "LSHttpRequestFactory.h"
#include "LSUserAgent.h"
#include "LSXmlHttpRequest.h"
#include "StandInJournal.h"
#include "WebServiceTestSupport.h"

#include <wininet.h>

#include <chrono>

using namespace WebServiceTest;

namespace {

class XmlHttpSend : public StandInTest {
protected:
    // Sends a GET of path; the reply's text, or the LSHttpError it raised.
    std::unique_ptr<ILSHttpRequest> SendGet(const std::string& path)
    {
        std::unique_ptr<ILSHttpRequest> request = Open(L"GET", Url(path));
        CLSBaseWS::PerformAsyncVariantSend(request, Url(path), _variant_t(), informer.get());
        return request;
    }

    Json::Value Reply(int status, const Json::Value& headers, const std::string& text)
    {
        Json::Value reply;
        reply["status"] = status;
        reply["headers"] = headers;
        if (!text.empty())
            reply["text"] = text;
        reply["content_type"] = "application/json";
        return reply;
    }

    void Script(const std::string& path, const Json::Value& reply)
    {
        Json::Value rule = reply;
        rule["method"] = "GET";
        rule["path"] = path;
        standIn.AddFault(rule);
    }
};

Json::Value Headers(std::initializer_list<std::pair<const char*, const char*>> pairs)
{
    Json::Value headers(Json::objectValue);
    for (const auto& [name, value] : pairs)
        headers[name] = value;
    return headers;
}

} // namespace

TEST_F(XmlHttpSend, SuccessStatusesReturnTheReply)
{
    for (int status : {202, 204}) {
        const std::string body = status == 204 ? "" : "{\"status\":" + std::to_string(status) + "}";
        Script("/test/ok" + std::to_string(status), Reply(status, Headers({}), body));
        const auto request = SendGet("/test/ok" + std::to_string(status));
        EXPECT_EQ(request->GetStatus(), status);
        EXPECT_EQ(std::wstring(request->GetResponseText()), Wide(body)) << status;
    }
    EXPECT_EQ(informer->RequestStarts(), 2);
}

TEST_F(XmlHttpSend, RedirectsAreFollowedAndOtherRedirectStatusesFail)
{
    Script("/test/moved", Reply(302, Headers({{"Location", (standIn.BaseUrl() + "/test/target").c_str()}}), ""));
    Script("/test/target", Reply(200, Headers({}), "{\"arrived\":true}"));
    const auto request = SendGet("/test/moved");
    EXPECT_EQ(request->GetStatus(), 200);
    EXPECT_EQ(std::wstring(request->GetResponseText()), L"{\"arrived\":true}");
    EXPECT_EQ(standIn.JournalEntries(0, "/test/target").size(), 1u);

    Script("/test/choices", Reply(300, Headers({}), "pick one"));
    EXPECT_EQ(ThrownHttpError([this] { SendGet("/test/choices"); }).GetStatus(), 300);
}

TEST_F(XmlHttpSend, FailureStatusesRaiseLSHttpErrorWithStatusBodyAndRetryAfter)
{
    const struct {
        int status;
        const char* retryAfter;
        int expectedRetryAfter;
        const char* reason;
    } cases[] = {
        {409, nullptr, 0, "Conflict"},
        {429, "7", 7, "Too Many Requests"},
        {503, "120", 120, "Service Unavailable"},
    };
    for (const auto& c : cases) {
        const std::string path = "/test/fail" + std::to_string(c.status);
        const std::string body = "{\"type\":\"error\",\"status\":" + std::to_string(c.status) + "}";
        Script(path, Reply(c.status, c.retryAfter ? Headers({{"Retry-After", c.retryAfter}}) : Headers({}), body));
        const LSHttpError error = ThrownHttpError([&] { SendGet(path); });
        EXPECT_EQ(error.GetStatus(), c.status);
        EXPECT_EQ(error.GetRetryAfterSeconds(), c.expectedRetryAfter) << c.status;
        EXPECT_EQ(error.FormatMessage(),
                  Wide(std::string(c.reason) + " (" + std::to_string(c.status) + ")\n(" + body + ")"));
    }
}

TEST_F(XmlHttpSend, TheServerSeesHeadersInOrderTheUserAgentAndAUtf8Body)
{
    const std::wstring url = Url("/2.0/folders");
    std::unique_ptr<ILSHttpRequest> request = Open(L"POST", url);
    request->SetRequestHeader(L"Authorization", L"Bearer initialaccesstoken");
    request->SetRequestHeader(L"Auth-Type", L"OAUTH2");
    request->SetRequestHeader(L"Accept", L"application/json");
    request->SetRequestHeader(L"Content-Type", L"application/json");
    const std::wstring body = L"{\"name\":\"Gr\x00fc\x00df" L"e \x6F22\",\"parent\":{\"id\":\"0\"}}\n";
    const int since = standIn.JournalNext();
    CLSBaseWS::PerformAsyncVariantSend(request, url, _variant_t(body.c_str()), informer.get());
    EXPECT_EQ(request->GetStatus(), 201);
    EXPECT_EQ(informer->RequestStarts(), 1);

    const Json::Value entries = standIn.JournalEntries(since, "/2.0/folders");
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_TRUE(HeadersInOrder(entries[0], {"Authorization", "Auth-Type", "Accept", "Content-Type"}));
    ASSERT_FALSE(SystemUserAgent().empty());
    EXPECT_EQ(TestSupport::JournalHeader(entries[0], "User-Agent"), Utf8(SystemUserAgent()));
    const Json::Value created = CLSBaseJsonWS::ParseJsonResponse(CLSBaseJsonWS::ReplyBytes(*request));
    EXPECT_EQ(standIn.Item("folder", created["id"].asString())["name"].asString(), "Gr\xc3\xbc\xc3\x9f" "e \xe6\xbc\xa2");
}

TEST_F(XmlHttpSend, RequestsAfterAStoppedOneGetTheirOwnReplies)
{
    ScriptHang("GET", "/test/hang");
    EXPECT_EQ(ThrownWhenStoppedWhileWaiting([this] { SendGet("/test/hang"); }), E_ABORT);
    // The stopped transfer ends now, behind the next requests' backs.
    standIn.Reset();
    informer = TestHost::TestShutdownInformer::Create();
    for (int i = 0; i < 3; ++i) {
        const std::string path = "/test/own" + std::to_string(i);
        Script(path, Reply(200, Headers({}), "{\"mine\":" + std::to_string(i) + "}"));
        EXPECT_EQ(std::wstring(SendGet(path)->GetResponseText()), Wide("{\"mine\":" + std::to_string(i) + "}"));
    }
}

TEST_F(XmlHttpSend, AMethodXmlHttpRefusesStillReachesTheServer)
{
    const std::wstring url = Url("/2.0/files/content");
    std::unique_ptr<ILSHttpRequest> request = Open(L"OPTIONS", url);
    request->SetRequestHeader(L"Authorization", L"Bearer initialaccesstoken");
    request->SetRequestHeader(L"Content-Type", L"application/json");
    const int since = standIn.JournalNext();
    CLSBaseWS::PerformAsyncVariantSend(request, url, _variant_t(L"{\"name\":\"a.txt\",\"parent\":{\"id\":\"0\"},\"size\":5}\n"),
                                       informer.get());
    EXPECT_EQ(request->GetStatus(), 200);
    EXPECT_TRUE(CLSBaseJsonWS::ParseJsonResponse(CLSBaseJsonWS::ReplyBytes(*request))
                    .isMember("upload_url"));
    EXPECT_FALSE(std::wstring(request->GetResponseHeader(L"Content-Type")).empty());
    const Json::Value sent = standIn.JournalEntries(since);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0]["method"].asString(), "OPTIONS");
    EXPECT_TRUE(HeadersInOrder(sent[0], {"Authorization", "Content-Type"}));

    std::unique_ptr<ILSHttpRequest> refused = LSHttpRequestFactory::CreateHttpRequest();
    EXPECT_TRUE(FAILED(refused->Open(_bstr_t(L"GET"), _bstr_t(L"not a url"), _variant_t(true), _variant_t(L""),
                                     _variant_t(L""))));
}

TEST_F(XmlHttpSend, AStopAlreadyRequestedEndsTheSendAtOnce)
{
    informer->RequestStop();
    ScriptHang("GET", "/test/hang");
    EXPECT_EQ(ThrownHresult([this] { SendGet("/test/hang"); }), E_ABORT);
}

TEST_F(XmlHttpSend, APeerThatNeverAnswersEndsInATimeoutNotAHang)
{
    // Under Wine a refused connection leaves the XMLHTTP object waiting forever on its own.
    const std::wstring url = L"http://127.0.0.1:" + std::to_wstring(UnusedLocalPort()) + L"/refused";
    std::unique_ptr<ILSHttpRequest> request = std::make_unique<LSXmlHttpRequest>(std::chrono::milliseconds(1500));
    ASSERT_HRESULT_SUCCEEDED(request->Open(_bstr_t(L"GET"), _bstr_t(url.c_str()), _variant_t(true), _variant_t(L""),
                                          _variant_t(L"")));
    EXPECT_EQ(ThrownHresult([&] { CLSBaseWS::PerformAsyncVariantSend(request, url, _variant_t(), nullptr); }),
              HRESULT_FROM_WIN32(ERROR_INTERNET_TIMEOUT));
}

TEST_F(XmlHttpSend, AnUnopenedRequestCannotBeSent)
{
    std::unique_ptr<ILSHttpRequest> request = std::make_unique<LSXmlHttpRequest>();
    EXPECT_EQ(ThrownHresult([&] { CLSBaseWS::PerformAsyncVariantSend(request, L"", _variant_t(), nullptr); }),
              E_UNEXPECTED);
    std::unique_ptr<ILSHttpRequest> none;
    EXPECT_EQ(ThrownHresult([&] { CLSBaseWS::PerformAsyncVariantSend(none, L"", _variant_t(), nullptr); }), E_POINTER);
}
