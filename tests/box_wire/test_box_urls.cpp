// Request addresses: every row of the service table, every builder, hostile text and bad ids.
#include "BoxConstants.h"
#include "BoxServiceTable.h"
#include "BoxUrlBuilders.h"
#include "HResultException.h"
#include "ThrownHresult.h"
#include "WireTestSupport.h"

#include <gtest/gtest.h>

#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

using namespace Box_20;
using namespace BoxWireTest;
using TestSupport::ThrownHresult;

namespace {

struct RowCase {
    unsigned row;
    bool upload;
    const wchar_t* path;
};

// Rows 3 to 39 as composed without placeholders: base + "/2.0" + the row's text.
const RowCase kRows[] = {
    {3, false, L"/users/me?fields=id,name,login,enterprise"},
    {4, false, L"/folders/[FOLDER_ID]?fields=name,etag,permissions"},
    {5, false, L"/folders/[FOLDER_ID]?fields=name,etag,permissions,path_collection"},
    {6, false, L"/folders"},
    {7, false, L"/folders/[FOLDER_ID]"},
    {8, false, L"/folders/[FOLDER_ID]?recursive=true"},
    {9, false, L"/folders/[FOLDER_ID]/items?usemarker=true&limit=[LIMIT]&fields=name,modified_at,content_modified_at,version_number,etag,permissions,metadata.enterprise_[ENTERPRISE_ID].[EMAIL_TEMPLATE_NAME],lock&sort=date&direction=DESC"},
    {10, false, L"/folders/[FOLDER_ID]/items?usemarker=true&limit=[LIMIT]&marker=[NEXT_MARKER]&fields=name,modified_at,content_modified_at,version_number,etag,permissions,metadata.enterprise_[ENTERPRISE_ID].[EMAIL_TEMPLATE_NAME],lock&sort=date&direction=DESC"},
    {11, false, L"/folders/[FOLDER_ID]/items?usemarker=true&limit=[LIMIT]&fields=name,modified_at,content_modified_at,version_number,etag,permissions,metadata.enterprise_[ENTERPRISE_ID].[EMAIL_TEMPLATE_NAME],lock,metadata.enterprise_[ENTERPRISE_ID].[FINGERPRINT_TEMPLATE_NAME]&sort=date&direction=DESC"},
    {12, false, L"/folders/[FOLDER_ID]/items?usemarker=true&limit=[LIMIT]&marker=[NEXT_MARKER]&fields=name,modified_at,content_modified_at,version_number,etag,permissions,metadata.enterprise_[ENTERPRISE_ID].[EMAIL_TEMPLATE_NAME],lock,metadata.enterprise_[ENTERPRISE_ID].[FINGERPRINT_TEMPLATE_NAME]&sort=date&direction=DESC"},
    {13, false, L"/folders/[FOLDER_ID]/items?usemarker=true&limit=[LIMIT]&fields=metadata.enterprise_[ENTERPRISE_ID].[FINGERPRINT_TEMPLATE_NAME]&sort=date&direction=DESC"},
    {14, false, L"/folders/[FOLDER_ID]/items?usemarker=true&limit=[LIMIT]&marker=[NEXT_MARKER]&fields=name,id,metadata.enterprise_[ENTERPRISE_ID].[FINGERPRINT_TEMPLATE_NAME]&sort=date&direction=DESC"},
    {15, false, L"/folders/[FOLDER_ID]/items?usemarker=true&limit=[LIMIT]&fields=id,modified_at,type&sort=date&direction=DESC"},
    {16, false, L"/folders/[FOLDER_ID]/items?usemarker=true&limit=[LIMIT]&fields=id,modified_at,type&marker=[NEXT_MARKER]&sort=date&direction=DESC"},
    {17, false, L"/files/[FILE_ID]"},
    {18, false, L"/files/[FILE_ID]/content"},
    {19, true, L"/files/content"},
    {20, true, L"/files/[FILE_ID]/content"},
    {21, false, L"/files/[FILE_ID]"},
    {22, false, L"/files/[FILE_ID]"},
    {23, true, L"/files/upload_sessions"},
    {24, true, L"/files/[FILE_ID]/upload_sessions"},
    {25, true, L"/files/upload_sessions/[SESSION_ID]/commit"},
    {26, false, L"/files/[FILE_ID]?fields=modified_at"},
    {27, false, L"/files/[FILE_ID]?fields=lock"},
    {28, false, L"/files/[FILE_ID]?fields=lock"},
    {29, false, L"/files/[FILE_ID]?fields=lock"},
    {30, false, L"/files/[FILE_ID]?fields=etag"},
    {31, false, L"/files/[FILE_ID]/metadata/enterprise_[ENTERPRISE_ID]/[EMAIL_TEMPLATE_NAME]"},
    {32, false, L"/files/[FILE_ID]/metadata/enterprise_[ENTERPRISE_ID]/[FINGERPRINT_TEMPLATE_NAME]"},
    {33, false, L"/search?query=[SEARCH_TERM]&offset=[OFFSET]&limit=[LIMIT]&type=folder&scope=user_content&content_types=name,file_content&fields=name,modified_at,content_modified_at,etag,permissions,path_collection"},
    {34, false, L"/search?query=[SEARCH_TERM]&ancestor_folder_ids=[ANCESTOR_FOLDER_IDS]&offset=[OFFSET]&limit=[LIMIT]&type=folder&scope=user_content&content_types=name,file_content&fields=name,modified_at,content_modified_at,etag,permissions,path_collection"},
    {35, false, L"/files/content"},
    {36, false, L"/files/[FILE_ID]/content"},
    {37, false, L"/search?query=[FINGERPRINT]&limit=1&fields=metadata.enterprise_[ENTERPRISE_ID].[FINGERPRINT_TEMPLATE_NAME]&ancestor_folder_ids=[FOLDER_ID]"},
    {38, false, L"/search?query=[SEARCH_TERM]&[FOLDER_ID_QUERY]offset=[OFFSET]&limit=[LIMIT]&type=file&sort=modified_at&scope=user_content&content_types=name,file_content&fields=[RESULT_PROPS][DATE_QUERY][SIZE_QUERY]"},
    {39, false, L"/files/[FILE_ID]?fields=name,modified_at,content_modified_at,version_number,etag,permissions,metadata.enterprise_[ENTERPRISE_ID].[EMAIL_TEMPLATE_NAME],metadata.enterprise_[ENTERPRISE_ID].[FINGERPRINT_TEMPLATE_NAME],lock"},
};

const wchar_t kFingerprint[] = L"{D98C1DD4-008F-04B2-E980-0998ECF8427E}";

} // namespace

TEST(BoxServiceTable, EveryRowComposesOnItsBase)
{
    for (const RowCase& row : kRows) {
        const std::wstring expected = (row.upload ? Upload() : Api()) + row.path;
        EXPECT_EQ(row.upload ? GetUploadServiceUrl(row.row, {}) : GetServiceUrl(row.row), expected) << row.row;
        EXPECT_EQ(ServiceTable[row.row].Length, std::char_traits<wchar_t>::length(row.path)) << row.row;
    }
}

TEST(BoxServiceTable, ServiceNumbersBeyondTheTableAreInvalid)
{
    EXPECT_EQ(GetServiceUrl(39), Api() + kRows[36].path);
    for (const unsigned service : {40u, 41u, 0xFFFFFFFFu}) {
        EXPECT_EQ(ThrownHresult([&] { GetServiceUrl(service); }), E_INVALIDARG);
        EXPECT_EQ(ThrownHresult([&] { GetServiceUrlWithParams(service, {}); }), E_INVALIDARG);
        EXPECT_EQ(ThrownHresult([&] { GetUploadServiceUrl(service, {}); }), E_INVALIDARG);
    }
    try {
        GetServiceUrl(40);
        FAIL() << "no exception";
    } catch (const hresult_exception& error) {
        EXPECT_STREQ(error.what(), "Invalid service");
    }
}

TEST(BoxServiceTable, PlaceholdersAreFilledInOnePass)
{
    // The enterprise value holds a placeholder that sorts after it: it stays text.
    EXPECT_EQ(GetServiceUrlWithParams(31, {{L"[ENTERPRISE_ID]", L"[FILE_ID]"}, {L"[FILE_ID]", L"7"}}),
              Api() + L"/files/7/metadata/enterprise_[FILE_ID]/[EMAIL_TEMPLATE_NAME]");
    EXPECT_EQ(GetUploadServiceUrl(24, {{L"[FILE_ID]", L"55"}}), Upload() + L"/files/55/upload_sessions");
    EXPECT_EQ(GetUploadServiceUrl(25, {{L"[SESSION_ID]", L"9"}}), Upload() + L"/files/upload_sessions/9/commit");
    EXPECT_EQ(GetServiceUrlWithParams(4, {{L"", L"x"}, {L"[FOLDER_ID]", L"0"}}),
              Api() + L"/folders/0?fields=name,etag,permissions");
}

TEST(BoxUrlBuilders, FileAddresses)
{
    EXPECT_EQ(GetFileUrl(L"123"), Api() + L"/files/123");
    EXPECT_EQ(GetFileETagUrl(L"123"), Api() + L"/files/123?fields=etag");
    EXPECT_EQ(GetFileContentUrl(L"123"), Api() + L"/files/123/content");
    EXPECT_EQ(GetSingleDocUrl(L"27335", L"123", L"emailT", L"fpT"),
              Api() + L"/files/123?fields=name,modified_at,content_modified_at,version_number,etag,permissions,"
                      L"metadata.enterprise_27335.emailT,metadata.enterprise_27335.fpT,lock");
    EXPECT_EQ(GetEmailMetadataUrl(L"emailT", L"123", L"27335"),
              Api() + L"/files/123/metadata/enterprise_27335/emailT");
    EXPECT_EQ(GetFingerprintMetadataUrl(L"fpT", L"123", L"27335"),
              Api() + L"/files/123/metadata/enterprise_27335/fpT");
}

TEST(BoxUrlBuilders, FolderListingPicksItsRow)
{
    const std::wstring items = Api() + L"/folders/42/items?usemarker=true&limit=500";
    const std::wstring fields = L"&fields=name,modified_at,content_modified_at,version_number,etag,permissions,"
                                L"metadata.enterprise_27335.emailT,lock";
    const std::wstring tail = L"&sort=date&direction=DESC";
    EXPECT_EQ(GetFolderItemsUrl(L"27335", L"42", L"emailT", L"", 500, L""), items + fields + tail);
    EXPECT_EQ(GetFolderItemsUrl(L"27335", L"42", L"emailT", L"", 500, L"m1"), items + L"&marker=m1" + fields + tail);
    EXPECT_EQ(GetFolderItemsUrl(L"27335", L"42", L"emailT", L"fpT", 500, L""),
              items + fields + L",metadata.enterprise_27335.fpT" + tail);
    EXPECT_EQ(GetFolderItemsUrl(L"27335", L"42", L"emailT", L"fpT", 500, L"m1"),
              items + L"&marker=m1" + fields + L",metadata.enterprise_27335.fpT" + tail);
    EXPECT_EQ(GetFolderFingerprintItemsUrl(L"27335", L"42", L"fpT", 25),
              Api() + L"/folders/42/items?usemarker=true&limit=25&fields=metadata.enterprise_27335.fpT" + tail);
    EXPECT_EQ(GetFolderItemIdsUrl(L"42", L"", 100),
              Api() + L"/folders/42/items?usemarker=true&limit=100&fields=id,modified_at,type" + tail);
    EXPECT_EQ(GetFolderItemIdsUrl(L"42", L"m2", 100),
              Api() + L"/folders/42/items?usemarker=true&limit=100&fields=id,modified_at,type&marker=m2" + tail);
}

TEST(BoxUrlBuilders, MarkersTravelEncoded)
{
    // Box's markers are opaque and may carry "+", "/" and "=".
    const std::wstring url = GetFolderItemsUrl(L"27335", L"42", L"emailT", L"", 500, L"a+b/c==");
    EXPECT_NE(url.find(L"&marker=a%2Bb%2Fc%3D%3D&"), std::wstring::npos) << url;
    EXPECT_EQ(QueryValue(GetFolderItemIdsUrl(L"42", L"a+b/c==", 10), "marker"), "a+b/c==");
}

TEST(BoxUrlBuilders, Searches)
{
    EXPECT_EQ(GetFingerprintSearchUrl(L"27335", L"42", L"fpT", kFingerprint),
              Api() + L"/search?query=%7BD98C1DD4-008F-04B2-E980-0998ECF8427E%7D&limit=1"
                      L"&fields=metadata.enterprise_27335.fpT&ancestor_folder_ids=42");
    const std::wstring folderSearchTail = L"&type=folder&scope=user_content&content_types=name,file_content"
                                          L"&fields=name,modified_at,content_modified_at,etag,permissions,path_collection";
    EXPECT_EQ(GetFolderSearchUrl(L"budget", 60), Api() + L"/search?query=budget&offset=60&limit=30" + folderSearchTail);
    EXPECT_EQ(GetFolderSearchInAncestorsUrl(L"budget", L"parents:123,456", 0),
              Api() + L"/search?query=budget&ancestor_folder_ids=123,456&offset=0&limit=30" + folderSearchTail);
    EXPECT_THROW(GetFolderSearchInAncestorsUrl(L"budget", L"parent", 0), std::out_of_range);
}

TEST(BoxUrlBuilders, FileSearchWithTextOnly)
{
    FileSearchParameters parameters;
    parameters.SearchText = L"budget";
    EXPECT_EQ(GetFileSearchUrl(parameters, L"0", 0, 50, L"emailT", L"modified_at,name"),
              Api() + L"/search?query=budget&ancestor_folder_ids=0&offset=0&limit=50&type=file&sort=modified_at"
                      L"&scope=user_content&content_types=name,file_content&fields=modified_at,name");
    EXPECT_EQ(GetFileSearchUrl(parameters, L"", 200, 100, L"emailT", L"name"),
              Api() + L"/search?query=budget&offset=200&limit=100&type=file&sort=modified_at"
                      L"&scope=user_content&content_types=name,file_content&fields=name");
}

TEST(BoxUrlBuilders, FileSearchRangesAndLists)
{
    struct Case {
        const char* what;
        FileSearchParameters parameters;
        const wchar_t* expectedTail;
    };
    auto with = [](auto change) {
        FileSearchParameters parameters;
        parameters.SearchText = L"x";
        change(parameters);
        return parameters;
    };
    const std::vector<Case> cases = {
        {"largest size only", with([](auto& p) { p.LargestSize = {500, true}; }), L"&size_range=,500"},
        {"smallest size only", with([](auto& p) { p.SmallestSize = {10, true}; }), L"&size_range=10,"},
        {"both sizes, beyond 4 GiB", with([](auto& p) { p.SmallestSize = {10, true}; p.LargestSize = {5000000000, true}; }),
         L"&size_range=10,5000000000"},
        {"lower date only",
         with([](auto& p) { p.HasDateRange = true; p.LowerDate = L"2024-01-01T00:00:00Z"; }),
         L"&updated_at_range=2024-01-01T00%3A00%3A00Z,"},
        {"dates with an offset",
         with([](auto& p) { p.HasDateRange = true; p.LowerDate = L"2024-01-01T00:00:00+01:00"; p.UpperDate = L"2024-02-01T00:00:00Z"; }),
         L"&updated_at_range=2024-01-01T00%3A00%3A00%2B01%3A00,2024-02-01T00%3A00%3A00Z"},
        {"date and size", with([](auto& p) { p.HasDateRange = true; p.UpperDate = L"2024-02-01"; p.LargestSize = {7, true}; }),
         L"&updated_at_range=,2024-02-01&size_range=,7"},
        {"extensions", with([](auto& p) { p.FileExtensions = {L"pdf", L"docx"}; }), L"&file_extensions=pdf,docx"},
        {"one extension text holding a list", with([](auto& p) { p.FileExtensions = {L"pdf,docx"}; }),
         L"&file_extensions=pdf,docx"},
        {"hostile extension", with([](auto& p) { p.FileExtensions = {L"a&b=c"}; }), L"&file_extensions=a%26b%3Dc"},
        {"has attachments alone", with([](auto& p) { p.HasAttachments = true; }),
         L"&mdfilters=%5B%7B%22scope%22%3A%22enterprise%22%2C%22templateKey%22%3A%22emailT%22%2C%22filters%22%3A"
         L"%7B%22hasattachments%22%3A%7B%22gt%22%3A1%2C%22lt%22%3A1%7D%7D%7D%5D"},
    };
    const std::wstring head = Api() + L"/search?query=x&offset=0&limit=10&type=file&sort=modified_at"
                                      L"&scope=user_content&content_types=name,file_content&fields=name";
    for (const Case& c : cases)
        EXPECT_EQ(GetFileSearchUrl(c.parameters, L"", 0, 10, L"emailT", L"name"), head + c.expectedTail) << c.what;
}

TEST(BoxUrlBuilders, MetadataFiltersAreOneJsonValue)
{
    FileSearchParameters parameters;
    parameters.MetadataFilters = {{L"subject", L"old"}, {L"from", L"R&D <rd@example.com>"}, {L"subject", L"50% off"}};
    parameters.HasAttachments = true;
    const std::wstring url = GetFileSearchUrl(parameters, L"", 0, 10, L"email\"T", L"name");
    // A later pair with the same key replaces the earlier one; members come in key order; the
    // writer's line feed is not part of the value.
    EXPECT_EQ(QueryValue(url, "mdfilters"),
              "[{\"scope\":\"enterprise\",\"templateKey\":\"email\\\"T\",\"filters\":{\"from\":\"R&D <rd@example.com>\","
              "\"hasattachments\":{\"gt\":1,\"lt\":1},\"subject\":\"50% off\"}}]");
    EXPECT_EQ(QueryValue(url, "query"), "");
}

TEST(BoxUrlBuilders, UserTextReachesTheServerIntact)
{
    const std::vector<std::wstring> texts = {L"R&D", L"C#", L"50% off", L"a+b", L"\x6F22\x5B57", L"x=1;y",
                                             L"[LIMIT]", L"[SIZE_QUERY]", L"q?r/s", L"tab\there"};
    for (const std::wstring& text : texts) {
        const std::string utf8 = WideToUtf8Lossy(text);
        EXPECT_EQ(QueryValue(GetFolderSearchUrl(text, 0), "query"), utf8);
        EXPECT_EQ(QueryValue(GetFolderSearchInAncestorsUrl(text, L"parents:5", 0), "query"), utf8);
        FileSearchParameters parameters;
        parameters.SearchText = text;
        parameters.HasDateRange = true;
        parameters.LowerDate = text;
        parameters.FileExtensions = {text};
        const std::wstring fileSearch = GetFileSearchUrl(parameters, L"5", 0, 10, L"emailT", L"name");
        EXPECT_EQ(QueryValue(fileSearch, "query"), utf8);
        EXPECT_EQ(QueryValue(fileSearch, "updated_at_range"), utf8 + ",");
        EXPECT_EQ(QueryValue(fileSearch, "file_extensions"), utf8);
        EXPECT_EQ(QueryValue(fileSearch, "limit"), "10");
        EXPECT_EQ(QueryParameters(fileSearch).size(), 11u) << WideToUtf8Lossy(fileSearch);
        EXPECT_EQ(QueryValue(GetFingerprintSearchUrl(L"1", L"5", L"fpT", text), "query"), utf8);
    }
    EXPECT_EQ(GetFolderSearchUrl(L"R&D", 0).substr(Api().size()), L"/search?query=R%26D&offset=0&limit=30"
              L"&type=folder&scope=user_content&content_types=name,file_content"
              L"&fields=name,modified_at,content_modified_at,etag,permissions,path_collection");
    EXPECT_NE(GetFolderSearchUrl(L"50% off \x6F22\x5B57", 0).find(L"query=50%25%20off%20%E6%BC%A2%E5%AD%97&"),
              std::wstring::npos);
}

TEST(BoxUrlBuilders, SettingTextInAddressesIsEncoded)
{
    const std::wstring url = GetEmailMetadataUrl(L"e/T", L"1", L"a b");
    EXPECT_EQ(url, Api() + L"/files/1/metadata/enterprise_a%20b/e%2FT");
    EXPECT_EQ(QueryValue(GetFileSearchUrl(FileSearchParameters(), L"", 0, 1, L"t", L"name,metadata/bcc"), "fields"),
              "name,metadata/bcc");
}

TEST(BoxUrlBuilders, IdsInPathsMustBeDecimal)
{
    using Builder = std::function<void(const std::wstring&)>;
    const std::vector<Builder> builders = {
        [](const auto& id) { GetFileUrl(id); },
        [](const auto& id) { GetFileETagUrl(id); },
        [](const auto& id) { GetFileContentUrl(id); },
        [](const auto& id) { GetSingleDocUrl(L"1", id, L"e", L"f"); },
        [](const auto& id) { GetEmailMetadataUrl(L"e", id, L"1"); },
        [](const auto& id) { GetFingerprintMetadataUrl(L"f", id, L"1"); },
        [](const auto& id) { GetFolderItemsUrl(L"1", id, L"e", L"", 10, L""); },
        [](const auto& id) { GetFolderFingerprintItemsUrl(L"1", id, L"f", 10); },
        [](const auto& id) { GetFingerprintSearchUrl(L"1", id, L"f", L"h"); },
        [](const auto& id) { GetFolderItemIdsUrl(id, L"", 10); },
        [](const auto& id) { GetServiceUrlWithParams(ServiceFolderInfo, {{L"[FOLDER_ID]", id}}); },
        [](const auto& id) { GetUploadServiceUrl(ServiceUploadFileVersion, {{L"[FILE_ID]", id}}); },
        [](const auto& id) { GetUploadServiceUrl(ServiceCommitUploadSession, {{L"[SESSION_ID]", id}}); },
    };
    const std::vector<std::wstring> badIds = {L"", L"12a", L"1/2", L"../3", L" 1", L"1 ", L"-1", L"+1",
                                              L"\xFF11\xFF12", L"1%2F2", L"1?x=2"};
    for (const std::wstring& id : badIds) {
        for (size_t i = 0; i < builders.size(); ++i)
            EXPECT_EQ(ThrownHresult([&] { builders[i](id); }), E_INVALIDARG) << WideToUtf8Lossy(id) << " builder " << i;
        if (!id.empty()) {
            EXPECT_EQ(ThrownHresult([&] { GetFileSearchUrl(FileSearchParameters(), id, 0, 1, L"t", L"name"); }),
                      E_INVALIDARG) << WideToUtf8Lossy(id);
        }
    }
    for (const Builder& builder : builders)
        EXPECT_EQ(ThrownHresult([&] { builder(L"0123456789"); }), S_OK);
}

TEST(BoxUrlBuilders, AuthorizeAddressAndTokenBodies)
{
    const BoxConstantsType& constants = BoxConstants();
    EXPECT_EQ(GetAuthorizeUrl(), constants.AccountHostUrl +
                                     L"/api/oauth2/authorize?response_type=code&client_id=yd714mk2me7t1wbnh4t738lfuhv3dgnp"
                                     L"&redirect_uri=https://www.talvern.com/authredirect.htm%3f");
    EXPECT_EQ(GetAuthCodeTokenRequestBody(L"c0de", L"cid", L"secret"),
              L"grant_type=authorization_code&code=c0de&client_id=cid&client_secret=secret");
    EXPECT_EQ(GetRefreshTokenRequestBody(L"r3fresh", L"cid", L"secret"),
              L"grant_type=refresh_token&refresh_token=r3fresh&client_id=cid&client_secret=secret");
    // An empty refresh token is still sent; a value is never read as a placeholder.
    EXPECT_EQ(GetRefreshTokenRequestBody(L"", L"[CLIENT_SECRET]", L"s"),
              L"grant_type=refresh_token&refresh_token=&client_id=[CLIENT_SECRET]&client_secret=s");
}

namespace {

struct BoxAddresses {
    const wchar_t* api;
    const wchar_t* upload;
    const wchar_t* tokenEndpoint;
    const wchar_t* accountHost;
};

// Every stand-in setting of the list gives the same addresses.
void ExpectAddresses(std::initializer_list<std::wstring> settings, const BoxAddresses& expected)
{
    for (const std::wstring& setting : settings) {
        SCOPED_TRACE(::testing::Message() << "setting \"" << setting << "\"");
        const BoxConstantsType constants = MakeBoxConstants(setting);
        EXPECT_EQ(constants.ApiBaseUrl, expected.api);
        EXPECT_EQ(constants.UploadBaseUrl, expected.upload);
        EXPECT_EQ(constants.TokenEndpointUrl, expected.tokenEndpoint);
        EXPECT_EQ(constants.AccountHostUrl, expected.accountHost);
    }
}

} // namespace

TEST(BoxConstantsTest, BoxAddressesByDefault)
{
    ExpectAddresses({L"", L"  "}, {L"https://api.box.com", L"https://upload.box.com/api",
                                   L"https://api.box.com/oauth2/token", L"https://account.box.com"});
}

TEST(BoxConstantsTest, StandInOverrideMovesEveryAddress)
{
    ExpectAddresses({L"http://127.0.0.1:8123", L"http://127.0.0.1:8123/"},
                    {L"http://127.0.0.1:8123", L"http://127.0.0.1:8123/api", L"http://127.0.0.1:8123/oauth2/token",
                     L"http://127.0.0.1:8123"});
}
