// Box error texts, sync issues on an item's property map, and the folder picker's helpers.
#include "BoxErrors.h"
#include "BoxExceptions.h"
#include "BoxFolderSelection.h"
#include "TestPropertyMap.h"

#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

using namespace Box_20;
using TestHost::TestPropertyMap;

namespace {

const wchar_t kNotFoundText[] = L"[Box Error Code]not_found\n[Box Error Message]Not Found\n";
const wchar_t kEmptyLabels[] = L"[Box Error Code]\n[Box Error Message]\n";
const wchar_t kMessageProperty[] = L"Quentra.SyncIssueMessage";
const wchar_t kTypeProperty[] = L"Quentra.SyncIssueType";

} // namespace

TEST(BoxErrorTexts, FromReplies)
{
    struct Case {
        const wchar_t* reply;
        const wchar_t* text;
    };
    const Case cases[] = {
        {L"{\"type\":\"error\",\"status\":404,\"code\":\"not_found\",\"message\":\"Not Found\","
         L"\"context_info\":{\"errors\":[]},\"help_url\":\"https://developer.box.com/\",\"request_id\":\"abc\"}",
         kNotFoundText},
        {L"{\"type\":\"error\",\"code\":\"not_found\"}", L"[Box Error Code]not_found\n[Box Error Message]\n"},
        {L"{\"type\":\"error\",\"code\":\"item_name_in_use\",\"message\":\"Item with the same name already exists\"}",
         L"[Box Error Code]item_name_in_use\n[Box Error Message]Item with the same name already exists\n"},
        {L"{\"type\":\"error\",\"code\":\"x\",\"message\":\"\x6F22\x5B57\"}",
         L"[Box Error Code]x\n[Box Error Message]\x6F22\x5B57\n"},
        {L"{\"type\":\"error\"}", kEmptyLabels},
        // Replies that are JSON but no Box error: the caller uses the HTTP error's own text.
        {L"{\"type\":\"folder\",\"id\":\"0\"}", L""},
        {L"{\"code\":\"tuple_already_exists\",\"message\":\"Conflict\",\"request_id\":\"r\"}", L""},
        {L"[]", L""},
        {L"[{\"type\":\"error\"}]", L""},
        {L"\"error\"", L""},
        // Replies that are no JSON at all are still recorded: the labels, then the HTTP status.
        {L"", L"[Box Error Code]\n[Box Error Message]\nBad Gateway (502)"},
        {L"<html><body>Bad Gateway</body></html>", L"[Box Error Code]\n[Box Error Message]\nBad Gateway (502)"},
        {L"{\"type\":\"error\",\"code\":", L"[Box Error Code]\n[Box Error Message]\nBad Gateway (502)"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ParseBoxErrorText(c.reply, L"Bad Gateway (502)"), c.text) << testing::PrintToString(std::wstring(c.reply));
}

TEST(BoxErrorTexts, NoRequestNoText)
{
    auto map = TestPropertyMap::Create();
    EXPECT_EQ(HandleError(nullptr, map.get()), L"");
    EXPECT_EQ(map->Count(), 0u);
}

TEST(BoxSyncIssues, RecordedOnTheItem)
{
    auto map = TestPropertyMap::Create();
    RecordSyncIssue(map.get(), kNotFoundText);
    EXPECT_EQ(map->Text(kMessageProperty), std::wstring(kNotFoundText));
    EXPECT_EQ(map->Text(kTypeProperty), std::wstring(L"ERROR"));
    EXPECT_EQ(map->Count(), 2u);
}

TEST(BoxSyncIssues, FailingWriteDoesNotStopTheOther)
{
    auto map = TestPropertyMap::Create();
    map->FailWrites(kMessageProperty, E_ACCESSDENIED);
    RecordSyncIssue(map.get(), kNotFoundText);
    EXPECT_FALSE(map->Has(kMessageProperty));
    EXPECT_EQ(map->Text(kTypeProperty), std::wstring(L"ERROR"));

    auto second = TestPropertyMap::Create();
    second->FailWrites(kTypeProperty, E_FAIL);
    RecordSyncIssue(second.get(), kNotFoundText);
    EXPECT_EQ(second->Text(kMessageProperty), std::wstring(kNotFoundText));
    EXPECT_FALSE(second->Has(kTypeProperty));
}

TEST(BoxExceptionTexts, PlaceBlankCondition)
{
    const ApiException error = JoinWithSpace(L"Box_20::CallBoxAPIWithRichErrorLogging", L"failed to parse response");
    EXPECT_EQ(error.GetText(), L"Box_20::CallBoxAPIWithRichErrorLogging failed to parse response");
    EXPECT_STREQ(error.what(), "Box_20::CallBoxAPIWithRichErrorLogging failed to parse response");
    try {
        throw JoinWithSpaceMultiphase(L"Box_20::UploadFile", L"\x6F22 metadata failed", L"123");
    } catch (const ApiException& caught) {
        EXPECT_EQ(caught.GetText(), L"Box_20::UploadFile \x6F22 metadata failed");
        EXPECT_STREQ(caught.what(), "Box_20::UploadFile \xE6\xBC\xA2 metadata failed");
        const auto* multiphase = dynamic_cast<const MultiphaseException*>(&caught);
        ASSERT_NE(multiphase, nullptr);
        EXPECT_EQ(multiphase->GetFileId(), L"123");
    }
    EXPECT_EQ(ApiException(L"half \xD800 surrogate").GetText(), L"half \xD800 surrogate");
}

TEST(BoxFolderAddresses, IdsFromWebAddresses)
{
    const std::wstring app = L"https://app.box.com";
    struct Case {
        std::wstring address;
        const wchar_t* folderId;
        const wchar_t* fileId;
    };
    const Case cases[] = {
        {app + L"/folder/12345/", L"12345", L""},
        {app + L"/folder/12345", L"12345", L""},
        {app + L"/folder/12345///", L"12345", L""},
        {app + L"/folder/12345#filter:file|678/abc", L"12345", L"678"},
        {app + L"/folder/12345/#filter:file|678", L"12345", L"678"},
        {app + L"/folder/12345#filter:file|", L"12345", L""},
        {L"12345", L"12345", L""},
        {L"abc123", L"abc123", L""},
    };
    for (const Case& c : cases) {
        const BoxFolderReference reference = GetIdFromBoxUrl(app, c.address);
        EXPECT_EQ(reference.FolderId, c.folderId) << testing::PrintToString(c.address);
        EXPECT_EQ(reference.FileId, c.fileId) << testing::PrintToString(c.address);
    }
}

TEST(BoxFolderAddresses, OtherAddressesAreInvalid)
{
    const std::wstring app = L"https://app.box.com";
    const std::vector<std::pair<std::wstring, std::wstring>> cases = {
        {L"", L"Invalid Url "},
        {L"abc-def", L"Invalid Url abc-def"},
        {L"https://other.example/folder/1/", L"Invalid Url https://other.example/folder/1"},
        {app + L"/Folder/1", L"Invalid Url " + app + L"/Folder/1"},
        {app + L"/folder/", L"Invalid Url " + app + L"/folder"},
        {L"///", L"Invalid Url "},
    };
    for (const auto& [address, text] : cases) {
        try {
            GetIdFromBoxUrl(app, address);
            ADD_FAILURE() << "accepted " << testing::PrintToString(address);
        } catch (const ApiException& error) {
            EXPECT_EQ(error.GetText(), text);
        }
    }
}

TEST(BoxFolderExclusions, PatternsMatchAnywhere)
{
    const std::vector<std::wregex> anchored = {std::wregex(L"^Archive")};
    const std::vector<std::wregex> loose = {std::wregex(L"Archive")};
    EXPECT_TRUE(MatchesAnyRegex(L"Archive 2019", anchored));
    EXPECT_FALSE(MatchesAnyRegex(L"My Archive", anchored));
    EXPECT_TRUE(MatchesAnyRegex(L"Archive 2019", loose));
    EXPECT_TRUE(MatchesAnyRegex(L"My Archive", loose));
    EXPECT_FALSE(MatchesAnyRegex(L"Archive", {}));
    EXPECT_TRUE(MatchesAnyRegex(L"tmp", {std::wregex(L"^x"), std::wregex(L"t.p")}));
}
