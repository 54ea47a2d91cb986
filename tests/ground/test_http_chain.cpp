// The whole chain a Box request travels, with no product code in between: MSXML's XMLHTTP object
// sends an authorised JSON request over real HTTP to the Box stand-in, JsonCpp reads the reply,
// and the stand-in's journal shows what arrived.
#include "BoxStandIn.h"
#include "ComOwners.h"
#include "JsonText.h"
#include "MsxmlInterop.h"
#include "StandInJournal.h"
#include "Utf8Converter.h"

#include <gtest/gtest.h>
#include <json/json.h>

#include <stdexcept>
#include <string>
#include <utility>

using TalvernCommon::com_ptr;

namespace {

struct XmlHttpReply {
    long status = 0;
    std::string body;
};

XmlHttpReply SendJsonGet(const std::wstring& url, const wchar_t* bearer)
{
    com_ptr<IXMLHTTPRequest> request;
    HRESULT hr = MsxmlInterop::CreateXmlHttpRequest(request);
    if (FAILED(hr))
        throw std::runtime_error("cannot create Msxml2.XMLHTTP.6.0");
    VARIANT synchronous;
    ::VariantInit(&synchronous);
    synchronous.vt = VT_BOOL;
    synchronous.boolVal = VARIANT_FALSE;
    VARIANT none;
    ::VariantInit(&none);
    TalvernCommon::unique_bstr method(::SysAllocString(L"GET"));
    TalvernCommon::unique_bstr target(::SysAllocString(url.c_str()));
    if (FAILED(request->open(method.get(), target.get(), synchronous, none, none)))
        throw std::runtime_error("open failed");
    const std::pair<const wchar_t*, std::wstring> headers[] = {
        {L"Authorization", std::wstring(L"Bearer ") + bearer},
        {L"Accept", L"application/json"},
        {L"Content-Type", L"application/json"},
    };
    for (const auto& [name, value] : headers) {
        TalvernCommon::unique_bstr headerName(::SysAllocString(name));
        TalvernCommon::unique_bstr headerValue(::SysAllocString(value.c_str()));
        request->setRequestHeader(headerName.get(), headerValue.get());
    }
    // Wine answers a successful send with 0x000401E8 rather than S_OK.
    if (FAILED(request->send(none)))
        throw std::runtime_error("send failed");
    XmlHttpReply reply;
    request->get_status(&reply.status);
    TalvernCommon::unique_bstr text;
    request->get_responseText(text.put());
    reply.body = WideToUtf8Lossy(text.get() != nullptr ? text.get() : L"");
    return reply;
}

class HttpChain : public ::testing::Test {
protected:
    void SetUp() override { standIn.Reset(); }

    TestSupport::BoxStandIn standIn = TestSupport::BoxStandIn::FromEnvironment();
};

} // namespace

TEST_F(HttpChain, AuthorisedJsonRequestReachesTheStandInAndItsReplyParses)
{
    const int since = standIn.JournalNext();
    const XmlHttpReply reply =
        SendJsonGet(standIn.BaseUrlWide() + L"/2.0/users/me?fields=id,name,login,enterprise", L"initialaccesstoken");

    ASSERT_EQ(reply.status, 200) << reply.body;
    const Json::Value user = TestSupport::ParseJson(reply.body, "the reply");
    EXPECT_EQ(user["type"].asString(), "user");
    EXPECT_FALSE(user["id"].asString().empty());
    EXPECT_TRUE(user["enterprise"].isObject());

    const Json::Value entries = standIn.JournalEntries(since);
    ASSERT_EQ(entries.size(), 1u);
    const Json::Value& entry = entries[0];
    EXPECT_EQ(entry["request_line"].asString(), "GET /2.0/users/me?fields=id,name,login,enterprise HTTP/1.1");
    EXPECT_EQ(entry["api"]["status"].asString(), "ok");
    EXPECT_EQ(TestSupport::JournalHeader(entry, "Authorization"), "Bearer initialaccesstoken");
}

TEST_F(HttpChain, UnknownTokenIsAnsweredWithBoxs401)
{
    const XmlHttpReply reply =
        SendJsonGet(standIn.BaseUrlWide() + L"/2.0/users/me?fields=id,name,login,enterprise", L"not-a-token");
    EXPECT_EQ(reply.status, 401);
    EXPECT_TRUE(reply.body.empty());
}
