// Request addresses: placeholders, encoding of what the user and Box supply, bad ids, service bases.
#include "BoxConstants.h"
#include "BoxServiceTable.h"
#include "BoxUrlBuilders.h"
#include "ThrownHresult.h"
#include "WireTestSupport.h"

#include <gtest/gtest.h>

#include <functional>

using namespace Box_20;
using namespace BoxWireTest;
using TestSupport::ThrownHresult;

TEST(BoxServiceTable, ServiceNumbersBeyondTheTableAreInvalidPlaceholdersAreFilledInOnePass)
{
    EXPECT_EQ(GetServiceUrl(39).substr(0, Api().size() + 7), Api() + L"/files/");
    for (const unsigned service : {40u, 0xFFFFFFFFu}) {
        EXPECT_EQ(ThrownHresult([&] { GetServiceUrlWithParams(service, {}); }), E_INVALIDARG);
        EXPECT_EQ(ThrownHresult([&] { GetUploadServiceUrl(service, {}); }), E_INVALIDARG);
    }
    // The enterprise value holds a placeholder that sorts after it: it stays text.
    EXPECT_EQ(GetServiceUrlWithParams(31, {{L"[ENTERPRISE_ID]", L"[FILE_ID]"}, {L"[FILE_ID]", L"7"}}),
              Api() + L"/files/7/metadata/enterprise_[FILE_ID]/[EMAIL_TEMPLATE_NAME]");
    EXPECT_EQ(GetUploadServiceUrl(25, {{L"[SESSION_ID]", L"9"}}), Upload() + L"/files/upload_sessions/9/commit");
    // An empty refresh token is still sent; a value is never read as a placeholder.
    EXPECT_EQ(GetRefreshTokenRequestBody(L"", L"[CLIENT_SECRET]", L"s"),
              L"grant_type=refresh_token&refresh_token=&client_id=[CLIENT_SECRET]&client_secret=s");
}

TEST(BoxUrlBuilders, BoxValuesAndSearchFiltersTravelEncoded)
{
    // Box's markers are opaque and may carry "+", "/" and "=".
    EXPECT_EQ(QueryValue(GetFolderItemIdsUrl(L"42", L"a+b/c==", 10), "marker"), "a+b/c==");
    EXPECT_EQ(GetEmailMetadataUrl(L"e/T", L"1", L"a b"), Api() + L"/files/1/metadata/enterprise_a%20b/e%2FT");
    EXPECT_THROW(GetFolderSearchInAncestorsUrl(L"budget", L"parent", 0), std::out_of_range);

    // File searches: size ranges, extensions and metadata filters.
    FileSearchParameters parameters;
    parameters.SmallestSize = {10, true};
    parameters.LargestSize = {5000000000, true};
    parameters.FileExtensions = {L"a&b=c"};
    parameters.MetadataFilters = {{L"subject", L"old"}, {L"from", L"R&D <rd@example.com>"}, {L"subject", L"50% off"}};
    parameters.HasAttachments = true;
    const std::wstring url = GetFileSearchUrl(parameters, L"", 0, 10, L"email\"T", L"name");
    EXPECT_EQ(QueryValue(url, "size_range"), "10,5000000000");
    EXPECT_EQ(QueryValue(url, "file_extensions"), "a&b=c");
    // A later pair with the same key replaces the earlier one; members come in key order; the
    // writer's line feed is not part of the value.
    EXPECT_EQ(QueryValue(url, "mdfilters"),
              "[{\"scope\":\"enterprise\",\"templateKey\":\"email\\\"T\",\"filters\":{\"from\":\"R&D <rd@example.com>\","
              "\"hasattachments\":{\"gt\":1,\"lt\":1},\"subject\":\"50% off\"}}]");
    EXPECT_EQ(QueryValue(url, "query"), "");
}

TEST(BoxUrlBuilders, UserTextReachesTheServerIntact)
{
    for (const std::wstring text : {L"R&D", L"C#", L"50% off", L"a+b", L"\x6F22\x5B57", L"x=1;y", L"[LIMIT]",
                                    L"q?r/s", L"tab\there"}) {
        const std::string utf8 = WideToUtf8Lossy(text);
        EXPECT_EQ(QueryValue(GetFolderSearchUrl(text, 0), "query"), utf8);
        FileSearchParameters parameters;
        parameters.SearchText = text;
        parameters.HasDateRange = true;
        parameters.LowerDate = text;
        parameters.FileExtensions = {text};
        const std::wstring fileSearch = GetFileSearchUrl(parameters, L"5", 0, 10, L"emailT", L"name");
        EXPECT_EQ(QueryValue(fileSearch, "query"), utf8);
        EXPECT_EQ(QueryValue(fileSearch, "updated_at_range"), utf8 + ",");
        EXPECT_EQ(QueryValue(fileSearch, "file_extensions"), utf8);
        EXPECT_EQ(QueryParameters(fileSearch).size(), 11u) << WideToUtf8Lossy(fileSearch);
        EXPECT_EQ(QueryValue(GetFingerprintSearchUrl(L"1", L"5", L"fpT", text), "query"), utf8);
    }
}

TEST(BoxUrlBuilders, IdsInPathsMustBeDecimal)
{
    using Builder = std::function<void(const std::wstring&)>;
    const std::vector<Builder> builders = {
        [](const auto& id) { GetFileUrl(id); }, [](const auto& id) { GetSingleDocUrl(L"1", id, L"e", L"f"); },
        [](const auto& id) { GetFolderItemsUrl(L"1", id, L"e", L"", 10, L""); },
        [](const auto& id) { GetFingerprintSearchUrl(L"1", id, L"f", L"h"); },
        [](const auto& id) { GetServiceUrlWithParams(ServiceFolderInfo, {{L"[FOLDER_ID]", id}}); },
        [](const auto& id) { GetUploadServiceUrl(ServiceCommitUploadSession, {{L"[SESSION_ID]", id}}); },
    };
    for (const std::wstring id : {L"", L"12a", L"../3", L" 1", L"-1", L"\xFF11\xFF12", L"1%2F2", L"1?x=2"}) {
        for (size_t i = 0; i < builders.size(); ++i)
            EXPECT_EQ(ThrownHresult([&] { builders[i](id); }), E_INVALIDARG) << WideToUtf8Lossy(id) << " builder " << i;
        // An empty folder id searches everywhere.
        EXPECT_EQ(ThrownHresult([&] { GetFileSearchUrl({}, id, 0, 1, L"t", L"name"); }), id.empty() ? S_OK : E_INVALIDARG);
    }
    for (const Builder& builder : builders)
        EXPECT_EQ(ThrownHresult([&] { builder(L"0123456789"); }), S_OK);
}

// The stand-in's address moves every service address, but only when it is on this machine.
TEST(BoxConstantsTest, OnlyAStandInOnThisMachineMovesTheAddresses)
{
    for (const wchar_t* setting : {L"", L"http://192.168.1.5:8123", L"http://127.0.0.1@example.com",
                                   L"http://localhost.example.com", L"http://127.0.0.1:80x", L"ftp://127.0.0.1"}) {
        const BoxConstantsType constants = MakeBoxConstants(setting);
        EXPECT_EQ(constants.ApiBaseUrl, L"https://api.box.com") << WideToUtf8Lossy(setting);
        EXPECT_EQ(constants.TokenEndpointUrl, L"https://api.box.com/oauth2/token") << WideToUtf8Lossy(setting);
    }
    for (const wchar_t* setting : {L"http://127.0.0.1:8123/", L"http://LocalHost:8123", L"http://[::1]:8123"}) {
        const BoxConstantsType constants = MakeBoxConstants(setting);
        const std::wstring base = std::wstring(setting).substr(0, std::wstring(setting).find(L"8123") + 4);
        EXPECT_EQ(constants.ApiBaseUrl, base);
        EXPECT_EQ(constants.UploadBaseUrl, base + L"/api");
        EXPECT_EQ(constants.TokenEndpointUrl, base + L"/oauth2/token");
        EXPECT_EQ(constants.AccountHostUrl, base);
    }
}
