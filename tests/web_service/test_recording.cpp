// The recorder and playback of the "Mock." settings: what a recording holds, its replay, and no secret written.
#include "BstrText.h"
#include "LSBaseJsonWS.h"
#include "WebServiceTestSupport.h"

using namespace WebServiceTest;

namespace {

const char kClientSecret[] = "ClientSecretForTests42";
const std::wstring kTokenBody =
    L"grant_type=refresh_token&refresh_token=initialrefreshtoken&client_id=cid&client_secret=" + Wide(kClientSecret);

// The reply or the LSHttpError's status.
struct Outcome {
    long status = 0;
    std::wstring text;
};

class RecordAndPlayback : public StandInTest {
protected:
    Outcome Exchange(const std::wstring& method, const std::string& path, const std::wstring& body,
                     const LSHttpHeaderList& headers)
    {
        try {
            const auto request = Send(method, path, body.empty() ? _variant_t() : _variant_t(body.c_str()), headers);
            return {request->GetStatus(), BstrText(request->GetResponseText())};
        } catch (const LSHttpError& error) {
            return {error.GetStatus(), error.GetDetail()};
        }
    }

    Outcome FetchToken()
    {
        return Exchange(L"POST", "/oauth2/token", kTokenBody,
                        {{L"Content-Type", L"application/x-www-form-urlencoded"}});
    }
    static std::wstring AccessToken(const Outcome& token)
    {
        return Wide(CLSBaseJsonWS::ParseJsonResponse(Utf8(token.text))["access_token"].asString());
    }

    std::vector<Outcome> RunConversation()
    {
        std::vector<Outcome> outcomes{FetchToken()};
        const std::wstring access = AccessToken(outcomes.back());
        outcomes.push_back(Exchange(L"GET", "/2.0/users/me?fields=id,name", L"",
                                    {{L"Authorization", L"Bearer " + access}, {L"Auth-Type", L"OAUTH2"}}));
        outcomes.push_back(Exchange(L"GET", "/2.0/folders/424242", L"", {{L"Authorization", L"Bearer " + access}}));
        return outcomes;
    }

    // Neither the client's secrets nor any token the stand-in handed out appear in the text.
    void ExpectNoSecret(const std::string& text, const std::string& where) const
    {
        const Json::Value tokens = standIn.Get("tokens");
        for (const std::string& secret : {std::string(kClientSecret), std::string("initialrefreshtoken"),
                                         tokens["access_token"].asString(), tokens["refresh_token"].asString()})
            EXPECT_EQ(text.find(secret), std::string::npos) << where << " holds " << secret;
    }

    ScratchFolder recordings;
};

} // namespace

TEST_F(RecordAndPlayback, ARecordedConversationReplaysWithoutTheNetwork)
{
    RegistrySandbox place;
    place.SetString(SettingsSource::User, L"Mock.ILSHttpRequest.BaseRecordingDirectory", recordings.Path());
    place.SetString(SettingsSource::User, L"Mock.ILSHttpRequest.RecordingName", L"roundtrip");
    std::vector<Outcome> recorded;
    {
        RegistrySandbox mode;
        mode.SetString(SettingsSource::User, L"Mock.ILSHttpRequest", L"record");
        recorded = RunConversation();
    }
    ASSERT_EQ(recorded.size(), 3u);
    EXPECT_EQ(recorded[0].status, 200);
    EXPECT_EQ(recorded[2].status, 404);

    std::vector<std::wstring> files = recordings.FileNames();
    std::sort(files.begin(), files.end());
    ASSERT_EQ(files.size(), 6u);
    const std::string tokenRequest = ReadFileBytes(recordings.File(files[0]));
    EXPECT_EQ(tokenRequest.rfind("POST " + standIn.BaseUrl() + "/oauth2/token\r\n", 0), 0u) << tokenRequest;
    EXPECT_NE(tokenRequest.find("\r\n\r\ngrant_type=refresh_token&refresh_token=[redacted]&client_id=cid&"
                                "client_secret=[redacted]"),
              std::string::npos);
    EXPECT_NE(ReadFileBytes(recordings.File(files[2])).find("Authorization: Bearer [redacted]\r\n"), std::string::npos);
    EXPECT_EQ(ReadFileBytes(recordings.File(files[5])).rfind("404 Not Found\r\n", 0), 0u);
    for (const std::wstring& file : files)
        ExpectNoSecret(ReadFileBytes(recordings.File(file)), Utf8(file));

    RegistrySandbox mode;
    mode.SetString(SettingsSource::User, L"Mock.ILSHttpRequest", L"playback");
    const int since = standIn.JournalNext();
    const std::vector<Outcome> replayed = RunConversation();
    EXPECT_EQ(standIn.JournalNext(), since);
    ASSERT_EQ(replayed.size(), 3u);
    for (size_t i = 0; i < replayed.size(); ++i)
        EXPECT_EQ(replayed[i].status, recorded[i].status) << i;
    EXPECT_EQ(AccessToken(replayed[0]), L"[redacted]");
    EXPECT_EQ(replayed[1].text, recorded[1].text);
    EXPECT_EQ(replayed[2].text, recorded[2].text);

    // The recording is used up: a fourth request has nothing to replay.
    EXPECT_EQ(ThrownHresult([this] { Exchange(L"GET", "/2.0/users/me", L"", {}); }),
              HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
}

// An unknown mode, and a recorder with nowhere to write.
TEST_F(RecordAndPlayback, MisconfiguredDoublesAreRefusedNotIgnored)
{
    for (const wchar_t* value : {L"replay", L"Record"}) {
        RegistrySandbox mode;
        mode.SetString(SettingsSource::User, L"Mock.ILSHttpRequest", value);
        EXPECT_EQ(ThrownHresult([] { LSHttpRequestFactory::CreateHttpRequest(); }), E_INVALIDARG) << Utf8(value);
    }
}

TEST_F(RecordAndPlayback, TheLogShowsTrafficButNoSecret)
{
    const Outcome token = FetchToken();
    ASSERT_EQ(token.status, 200);
    const std::wstring access = AccessToken(token);
    EXPECT_EQ(Exchange(L"GET", "/2.0/users/me", L"", {{L"Authorization", L"Bearer " + access}}).status, 200);
    // The WinINet transport logs through the same rules.
    const std::string id = standIn.SeedPatternFile("tiny.bin", 10, 1);
    CLSBaseWS::DownloadFileWithWinInet({{L"Authorization", L"Bearer " + access}}, Url("/2.0/files/" + id + "/content"),
                                       recordings.File(L"tiny.bin"), L"", informer.get());

    const std::string log = ReadLogFiles();
    EXPECT_NE(log.find("grant_type=refresh_token&refresh_token=[redacted]"), std::string::npos);
    EXPECT_NE(log.find("\"token_type\""), std::string::npos) << "the token reply was not logged";
    EXPECT_NE(log.find("Authorization: Bearer [redacted]"), std::string::npos);
    ExpectNoSecret(log, "the log");
}
