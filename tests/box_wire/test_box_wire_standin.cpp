// The Box wire against the Box stand-in over real HTTP: the addresses, bodies and error texts
// built here are what Box's API expects, and user text arrives as the user wrote it.
#include "BoxConstants.h"
#include "BoxErrors.h"
#include "BoxRecords.h"
#include "BoxRequestBodies.h"
#include "BoxServiceTable.h"
#include "BoxStandIn.h"
#include "BoxUrlBuilders.h"
#include "ComDef.h"
#include "LSHttpRequestFactory.h"
#include "LSSetting.h"
#include "TestPropertyMap.h"
#include "WinInetClient.h"
#include "WireTestSupport.h"

#include <json/reader.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using namespace Box_20;
using namespace BoxWireTest;
using TestHost::TestPropertyMap;

namespace {

const char kAccessToken[] = "initialaccesstoken";
const wchar_t kSettingsKey[] = L"Software\\Talvern\\VESK";

Json::Value Parsed(const std::wstring& text)
{
    Json::Value value;
    Json::Reader reader;
    EXPECT_TRUE(reader.parse(WideToUtf8Lossy(text), value)) << WideToUtf8Lossy(text);
    return value;
}

// One request as the call loop sends it: bearer token, JSON accept, the given content type.
std::unique_ptr<ILSHttpRequest> Send(const wchar_t* method, const std::wstring& url, const _variant_t& body = _variant_t(),
                                     const wchar_t* contentType = L"application/json")
{
    auto request = LSHttpRequestFactory::CreateHttpRequest();
    const _variant_t async(true);
    const _variant_t none(L"");
    EXPECT_HRESULT_SUCCEEDED(request->Open(_bstr_t(method), _bstr_t(url.c_str()), async, none, none));
    request->SetRequestHeader(L"Authorization", _bstr_t(L"Bearer ") + kAccessToken);
    request->SetRequestHeader(L"Auth-Type", L"OAUTH2");
    request->SetRequestHeader(L"Accept", L"application/json");
    request->SetRequestHeader(L"Content-Type", contentType);
    EXPECT_HRESULT_SUCCEEDED(request->Send(body, LSCancelCheck()));
    return request;
}

std::wstring ReplyText(const std::unique_ptr<ILSHttpRequest>& request)
{
    const _bstr_t text = request->GetResponseText();
    return text.length() != 0 ? std::wstring(static_cast<const wchar_t*>(text)) : std::wstring();
}

class BoxWireStandIn : public ::testing::Test {
protected:
    // The service addresses are read once per process, at first use: the setting is in place
    // before any test of this program builds an address.
    static void SetUpTestSuite()
    {
        LSSetting::GetInstance().SaveUserString(kMockBoxServiceSetting, StandIn().BaseUrlWide());
    }

    static void TearDownTestSuite() { ::RegDeleteKeyValueW(HKEY_CURRENT_USER, kSettingsKey, kMockBoxServiceSetting); }

    void SetUp() override
    {
        StandIn().Reset();
        m_journalStart = StandIn().Journal()["next"].asInt();
    }

    static const TestSupport::BoxStandIn& StandIn()
    {
        static const TestSupport::BoxStandIn standIn = TestSupport::BoxStandIn::FromEnvironment();
        return standIn;
    }

    Json::Value Seed(const Json::Value& content) const { return StandIn().Post("seed", content); }

    // The requests this test sent, each checked against Box's API description.
    Json::Value Requests() const
    {
        const Json::Value entries = StandIn().Get("journal?since=" + std::to_string(m_journalStart))["entries"];
        for (const Json::Value& entry : entries)
            EXPECT_EQ(entry["api"]["status"].asString(), "ok") << entry["request_line"].asString();
        return entries;
    }

private:
    int m_journalStart = 0;
};

Json::Value FolderNamed(const std::string& name)
{
    Json::Value folder;
    folder["name"] = name;
    folder["parent_id"] = "0";
    return folder;
}

} // namespace

TEST_F(BoxWireStandIn, ServiceAddressesFollowTheSetting)
{
    const std::wstring base = StandIn().BaseUrlWide();
    EXPECT_EQ(BoxConstants().ApiBaseUrl, base);
    EXPECT_EQ(BoxConstants().UploadBaseUrl, base + L"/api");
    EXPECT_EQ(BoxConstants().TokenEndpointUrl, base + L"/oauth2/token");
    EXPECT_EQ(BoxConstants().AccountHostUrl, base);
    const auto request = Send(L"GET", GetServiceUrl(ServiceUserInfo));
    EXPECT_EQ(request->GetStatus(), 200);
    EXPECT_EQ(Parsed(ReplyText(request))["type"].asString(), "user");
    EXPECT_EQ(Requests().size(), 1u);
}

TEST_F(BoxWireStandIn, HostileSearchTextsArriveIntact)
{
    const std::vector<std::wstring> names = {L"R&D", L"C#", L"50% off", L"a+b", L"\x6F22\x5B57"};
    Json::Value seed;
    for (const std::wstring& name : names)
        seed["folders"].append(FolderNamed(WideToUtf8Lossy(name)));
    Seed(seed);
    for (const std::wstring& name : names) {
        const std::wstring url = GetFolderSearchUrl(name, 0);
        const auto request = Send(L"GET", url);
        ASSERT_EQ(request->GetStatus(), 200) << WideToUtf8Lossy(ReplyText(request));
        const Json::Value reply = Parsed(ReplyText(request));
        EXPECT_EQ(reply["total_count"].asInt(), 1) << WideToUtf8Lossy(name);
        EXPECT_EQ(reply["entries"][0]["name"].asString(), WideToUtf8Lossy(name));
        const Json::Value sent = Requests();
        ASSERT_FALSE(sent.empty());
        const Json::Value& last = sent[sent.size() - 1];
        EXPECT_EQ(last["query"].asString(), WideToUtf8Lossy(url.substr(url.find(L'?') + 1)));
        EXPECT_EQ(QueryValue(L"?" + std::wstring(url.begin() + url.find(L'?') + 1, url.end()), "query"),
                  WideToUtf8Lossy(name));
    }
}

TEST_F(BoxWireStandIn, FileSearchFiltersArriveIntact)
{
    Json::Value seed;
    seed["user"]["enterprise_id"] = "27335";
    Json::Value wanted;
    wanted["name"] = "R&D plan.pdf";
    wanted["parent_id"] = "0";
    wanted["content_text"] = "plan";
    wanted["metadata"]["enterprise_27335"]["emailT"]["subject"] = "50% off & more";
    wanted["metadata"]["enterprise_27335"]["emailT"]["hasattachments"] = 1;
    Json::Value otherType = wanted;
    otherType["name"] = "R&D plan.docx";
    Json::Value otherSubject = wanted;
    otherSubject["name"] = "R&D plan 2.pdf";
    otherSubject["metadata"]["enterprise_27335"]["emailT"]["subject"] = "50% off";
    seed["files"].append(wanted);
    seed["files"].append(otherType);
    seed["files"].append(otherSubject);
    Seed(seed);

    FileSearchParameters parameters;
    parameters.SearchText = L"R&D";
    parameters.FileExtensions = {L"pdf"};
    parameters.MetadataFilters = {{L"subject", L"50% off & more"}};
    parameters.HasAttachments = true;
    const auto request = Send(L"GET", GetFileSearchUrl(parameters, L"0", 0, 10, L"emailT", L"name,modified_at"));
    ASSERT_EQ(request->GetStatus(), 200) << WideToUtf8Lossy(ReplyText(request));
    const Json::Value reply = Parsed(ReplyText(request));
    EXPECT_EQ(reply["total_count"].asInt(), 1);
    EXPECT_EQ(reply["entries"][0]["name"].asString(), "R&D plan.pdf");
    EXPECT_EQ(Requests().size(), 1u);
}

TEST_F(BoxWireStandIn, BodiesAreWhatBoxAccepts)
{
    const auto created = Send(L"POST", GetServiceUrl(ServiceCreateFolder),
                              _variant_t(BuildCreateFolderJson(L"Q \"3\" R&D \x6F22", L"0").c_str()));
    ASSERT_EQ(created->GetStatus(), 201) << WideToUtf8Lossy(ReplyText(created));
    EXPECT_EQ(GetJsonString(Parsed(ReplyText(created)), "name"), L"Q \"3\" R&D \x6F22");

    // Wine's XMLHTTP refuses the OPTIONS verb, so the preflight body travels by WinINet here.
    const TestSupport::HttpReply preflight = TestSupport::SendHttp(
        "OPTIONS", WideToUtf8Lossy(GetServiceUrl(ServicePreflightFile)),
        WideToUtf8Lossy(BuildPreflightJson(L"a.txt", L"0", 3)),
        {{"Authorization", std::string("Bearer ") + kAccessToken}, {"Content-Type", "application/json"}});
    EXPECT_EQ(preflight.status, 200u) << preflight.body;

    UploadFileRecord record;
    record.Name = L"say \"hi\".txt";
    record.ParentFolderId = L"0";
    record.Size = 3;
    record.Content = std::make_shared<ByteBuffer>(ByteBuffer{'h', 0, 'i'});
    BuildMultipartUploadBody(record);
    const auto uploaded = Send(L"POST", GetUploadServiceUrl(ServiceUploadFile, {}), BuildMultipartVariant(record),
                               kMultipartContentType);
    ASSERT_EQ(uploaded->GetStatus(), 201) << WideToUtf8Lossy(ReplyText(uploaded));
    const Json::Value entry = Parsed(ReplyText(uploaded))["entries"][0];
    EXPECT_EQ(GetJsonString(entry, "name"), L"say \"hi\".txt");
    const std::wstring fileId = GetJsonString(entry, "id");
    const Json::Value stored = StandIn().Get("item?type=file&id=" + WideToUtf8Lossy(fileId) + "&content=1");
    EXPECT_EQ(stored["content_base64"].asString(), "aABp");

    const auto locked = Send(L"PUT", GetServiceUrlWithParams(ServiceLockFile, {{L"[FILE_ID]", fileId}}),
                             _variant_t(BuildLockJson().c_str()));
    ASSERT_EQ(locked->GetStatus(), 200) << WideToUtf8Lossy(ReplyText(locked));
    const auto lock = CreateLockRecord(Parsed(ReplyText(locked))["lock"]);
    ASSERT_TRUE(lock);
    EXPECT_TRUE(lock->DownloadPrevented);
    EXPECT_EQ(lock->ExpiresAt, 0.0);
    EXPECT_GT(lock->CreatedAt, 0.0);
    EXPECT_FALSE(lock->CreatedBy.Login.empty());

    const Json::Value sent = Requests();
    ASSERT_EQ(sent.size(), 4u);
    for (const Json::Value& request : sent)
        EXPECT_FALSE(request.isMember("unknown_body_members")) << request["request_line"].asString();
}

TEST_F(BoxWireStandIn, FailedRepliesBecomeErrorTextsAndSyncIssues)
{
    Json::Value notFound;
    notFound["method"] = "GET";
    notFound["path"] = "/2.0/folders/999";
    notFound["status"] = 404;
    notFound["error"]["code"] = "not_found";
    notFound["error"]["message"] = "Not Found";
    StandIn().Post("faults", notFound);
    auto map = TestPropertyMap::Create();
    const auto missing = Send(L"GET", GetServiceUrlWithParams(ServiceFolderInfo, {{L"[FOLDER_ID]", L"999"}}));
    EXPECT_EQ(missing->GetStatus(), 404);
    EXPECT_EQ(HandleError(missing, map.get()), L"[Box Error Code]not_found\n[Box Error Message]Not Found\n");
    EXPECT_EQ(map->Text(L"Quentra.SyncIssueMessage"),
              std::wstring(L"[Box Error Code]not_found\n[Box Error Message]Not Found\n"));
    EXPECT_EQ(map->Text(L"Quentra.SyncIssueType"), std::wstring(L"ERROR"));

    Json::Value badGateway;
    badGateway["method"] = "GET";
    badGateway["path"] = "/2.0/folders/0";
    badGateway["status"] = 502;
    badGateway["text"] = "<html><body>Bad Gateway</body></html>";
    badGateway["content_type"] = "text/html";
    StandIn().Post("faults", badGateway);
    auto gatewayMap = TestPropertyMap::Create();
    const auto gateway = Send(L"GET", GetServiceUrlWithParams(ServiceFolderInfo, {{L"[FOLDER_ID]", L"0"}}));
    EXPECT_EQ(gateway->GetStatus(), 502);
    EXPECT_EQ(HandleError(gateway, gatewayMap.get()), L"[Box Error Code]\n[Box Error Message]\nBad Gateway (502)");
    EXPECT_EQ(gatewayMap->Text(L"Quentra.SyncIssueType"), std::wstring(L"ERROR"));

    // The fault is used up: a real folder reply is no Box error and records nothing.
    auto folderMap = TestPropertyMap::Create();
    const auto folder = Send(L"GET", GetServiceUrlWithParams(ServiceFolderInfo, {{L"[FOLDER_ID]", L"0"}}));
    EXPECT_EQ(folder->GetStatus(), 200);
    EXPECT_EQ(HandleError(folder, folderMap.get()), L"");
    EXPECT_EQ(folderMap->Count(), 0u);
    EXPECT_EQ(Requests().size(), 3u);
}
