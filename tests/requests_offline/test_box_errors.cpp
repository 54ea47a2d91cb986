// Box error texts, sync issues on an item's property map, and the folder picker's addresses.
#include "BoxErrors.h"
#include "BoxExceptions.h"
#include "BoxFolderSelection.h"
#include "TestPropertyMap.h"

#include <gtest/gtest.h>

using namespace Box_20;
using TestHost::TestPropertyMap;

namespace {

const wchar_t kNotFoundText[] = L"[Box Error Code]not_found\n[Box Error Message]Not Found\n";
const wchar_t kMessageProperty[] = L"Quentra.SyncIssueMessage";
const wchar_t kTypeProperty[] = L"Quentra.SyncIssueType";

} // namespace

TEST(BoxErrorTexts, FromRepliesAndOntoAnItemsSyncIssue)
{
    const wchar_t kNoJson[] = L"[Box Error Code]\n[Box Error Message]\nBad Gateway (502)";
    const std::vector<std::pair<std::wstring, std::wstring>> cases = {
        {L"{\"type\":\"error\",\"status\":404,\"code\":\"not_found\",\"message\":\"Not Found\",\"request_id\":\"abc\"}",
         kNotFoundText},
        {L"{\"type\":\"error\",\"code\":\"x\",\"message\":\"\x6F22\x5B57\"}", L"[Box Error Code]x\n[Box Error Message]\x6F22\x5B57\n"},
        {L"{\"type\":\"error\"}", L"[Box Error Code]\n[Box Error Message]\n"},
        // Replies that are JSON but no Box error: the caller uses the HTTP error's own text.
        {L"{\"code\":\"tuple_already_exists\",\"message\":\"Conflict\"}", L""}, {L"[{\"type\":\"error\"}]", L""},
        // Replies that are no JSON at all are still recorded: the labels, then the HTTP status.
        {L"", kNoJson}, {L"<html><body>Bad Gateway</body></html>", kNoJson},
        {L"{\"type\":\"error\",\"code\":", kNoJson}};
    for (const auto& [reply, text] : cases)
        EXPECT_EQ(ParseBoxErrorText(reply, L"Bad Gateway (502)"), text) << testing::PrintToString(reply);
    auto map = TestPropertyMap::Create();
    EXPECT_EQ(HandleError(nullptr, map.get()), L"");
    EXPECT_EQ(map->Count(), 0u);

    // Of a sync issue's two properties, a failing write does not stop the other.
    for (const auto& [failing, other, written] : {std::make_tuple(kMessageProperty, kTypeProperty, L"ERROR"),
                                                 std::make_tuple(kTypeProperty, kMessageProperty, kNotFoundText)}) {
        map = TestPropertyMap::Create();
        map->FailWrites(failing, E_ACCESSDENIED);
        RecordSyncIssue(map.get(), kNotFoundText);
        EXPECT_EQ(map->Count(), 1u);
        EXPECT_EQ(map->Text(other), std::wstring(written));
    }
}

TEST(BoxExceptionTexts, ReadAsUtf8AndKeepTheFileId)
{
    const MultiphaseException caught = JoinWithSpaceMultiphase(L"Box_20::UploadFile", L"\x6F22 metadata failed", L"123");
    EXPECT_EQ(caught.GetText(), L"Box_20::UploadFile \x6F22 metadata failed");
    EXPECT_STREQ(caught.what(), "Box_20::UploadFile \xE6\xBC\xA2 metadata failed");
    EXPECT_EQ(caught.GetFileId(), L"123");
    EXPECT_EQ(ApiException(L"half \xD800 surrogate").GetText(), L"half \xD800 surrogate");
}

TEST(BoxFolderAddresses, IdsFromWebAddresses)
{
    const std::wstring app = L"https://app.box.com";
    const std::vector<std::tuple<std::wstring, const wchar_t*, const wchar_t*>> cases = {
        {app + L"/folder/12345///", L"12345", L""}, {app + L"/folder/12345/#filter:file|678", L"12345", L"678"},
        {app + L"/folder/12345#filter:file|", L"12345", L""}, {L"abc123", L"abc123", L""}};
    for (const auto& [address, folderId, fileId] : cases) {
        const BoxFolderReference reference = GetIdFromBoxUrl(app, address);
        EXPECT_EQ(reference.FolderId, folderId) << testing::PrintToString(address);
        EXPECT_EQ(reference.FileId, fileId) << testing::PrintToString(address);
    }
    for (const std::wstring& address : std::vector<std::wstring>{L"", L"https://x.example/folder/1/", app + L"/Folder/1", app + L"/folder/"})
        EXPECT_THROW(GetIdFromBoxUrl(app, address), ApiException) << testing::PrintToString(address);
}
