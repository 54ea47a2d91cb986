// What the host's maps receive about listed Box files and about the main folder.
#include "RetrievalFixture.h"

#include "LSDiag.h"
#include "VESKBoxSyncFilterImpl.h"

using namespace RetrievalTests;

namespace {

using Texts = std::vector<std::pair<std::wstring, std::wstring>>;

struct ItemKind {
    const char* name;
    const char* file;
    bool headerOnly;
    Texts expected;
    std::vector<std::wstring> absent;
};

const char kMail[] = R"({"name":"m.msg","content_text":"x","metadata":{"enterprise":{"vEmail":{"from":"Ann",
    "subject":"Hi","to":"Bob","received":"2024-03-01T10:00:00Z","conversationindex":"01AB","hasattachments":1}}}})";

const ItemKind kItemKinds[] = {
    {"Document", R"({"name":"r.docx","content_text":"x"})", false,
     {{L"ows-PermMask", L"0x7FFFFFFFFFFFFFFF"}, {L"Quentra.FromServerFileName", L"r.docx"}, {L"ows-CheckoutUser", L""}},
     {L"0x0037001f", L"0x0c1a001f", L"VESK.DuplicateHash"}},
    {"MailWithMetadataHeaderOnly", kMail, true,
     {{L"0x0037001f", L"Hi"}, {L"0x0c1a001f", L"Ann"}, {L"0x0042001f", L"Ann"}, {L"0x0e04001f", L"Bob"},
      {L"0x00710102", L"01AB"}},
     {}},
    {"MailWithMetadataInFull", kMail, false, {}, {L"0x0037001f", L"0x0c1a001f", L"0x0e060040"}},
    {"MailWithoutMetadataHeaderOnly", R"({"name":"p.msg","content_text":"x"})", true, {},
     {L"0x0037001f", L"0x0c1a001f"}},
    {"Locked",
     R"({"name":"l.docx","content_text":"x","lock":{"expires_at":null,"is_download_prevented":false,
        "created_by":{"id":"9","name":"Zed","login":"zed@example.com"}}})",
     false, {{L"ows-CheckoutUser", L"zed@example.com"}}, {}},
    {"Fingerprinted", R"({"name":"f.pdf","content_text":"x","metadata":{"enterprise":{"vPrint":{"fingerprint":"ab12"}}}})",
     false, {{L"VESK.DuplicateHash", L"ab12"}}, {}},
};

class BoxItemProperties : public RetrievalTest, public ::testing::WithParamInterface<ItemKind> {};

TEST_P(BoxItemProperties, TheHostReceivesWhatTheListingKnowsInOneBatch)
{
    const ItemKind& kind = GetParam();
    const std::string id = ListRoot(std::string("[") + kind.file + "]").at(0);
    if (kind.headerOnly)
        filter->SetHeaderOnlyFlag(0, 0);

    ASSERT_EQ(S_OK, filter->raw_SetItemProperties(0, item.get(), 0));
    EXPECT_EQ(1, item->ItemStrsCalls());
    EXPECT_EQ(AnsiToWide(id), item->Text(L"Quentra.FromServerFileId"));
    EXPECT_EQ(VESKBoxSyncFilterImpl::GetApplicationUrl() + L"/file/" + AnsiToWide(id),
              item->Text(L"Quentra.FromServerFileUrl").value_or(L""));
    EXPECT_EQ(AnsiToWide(standIn_.Item("file", id)["etag"].asString()), item->Text(L"Quentra.FromServerETag"));
    EXPECT_TRUE(item->Date(L"RemoteFileLastModified").has_value());
    for (const auto& [name, value] : kind.expected)
        EXPECT_EQ(value, item->Text(name)) << LSDiag::LogText(name);
    for (const std::wstring& name : kind.absent)
        EXPECT_FALSE(item->Has(name)) << LSDiag::LogText(name);
}

INSTANTIATE_TEST_SUITE_P(Kinds, BoxItemProperties, ::testing::ValuesIn(kItemKinds),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(RetrievalTest, MainFolderPropertiesComeInOrderAndStopAtTheFirstRefusedWrite)
{
    const std::string id = ListRoot(R"([{"name":"only.docx","content_text":"x"}])",
                                    R"({"type":"folder","id":"0","permissions":{"can_upload":false,"can_delete":false}})")
                               .at(0);
    mainFolder->SetText(L"FilterPropertyName", L"FileId");
    mainFolder->SetText(L"FilterPropertyValue", AnsiToWide(id));
    ASSERT_EQ(S_OK, filter->raw_SetSyncStartPoint(mainFolder.get(), VARIANT_FALSE, VARIANT_FALSE, VARIANT_FALSE, 0,
                                                  VARIANT_FALSE));
    const auto folderMap = TestHost::TestPropertyMap::Create();

    ASSERT_EQ(S_OK, filter->raw_SetMainFolderProperties(folderMap.get()));
    const std::vector<std::wstring> order{
        L"Quentra.RepositoryType", L"Quentra.RepositoryTypeDisplayName", L"Quentra.RepositoryLocation",
        L"VESK.RepositoryOriginalLocation", L"Quentra.FolderLocation", L"Quentra.FolderLocationUrl",
        L"Quentra.SyncDisabled", L"Quentra.MainFolder", L"VESK.PermMask2", L"FilterPropertyName",
        L"FilterPropertyValue"};
    EXPECT_EQ(order, folderMap->WriteOrder());
    EXPECT_EQ(L"Box", folderMap->Text(L"Quentra.RepositoryTypeDisplayName"));
    EXPECT_EQ(L"0x0000000000000001", folderMap->Text(L"VESK.PermMask2"));
    EXPECT_EQ(AnsiToWide(id), folderMap->Text(L"FilterPropertyValue"));
    // The start folder's map stays the filter's: its change token can still be reset.
    EXPECT_EQ(S_OK, filter->raw_ResetChangeCache());
    EXPECT_EQ(L"", mainFolder->Text(L"ChangeToken"));

    const auto refusing = TestHost::TestPropertyMap::Create();
    refusing->FailWrites(L"Quentra.FolderLocation", E_ACCESSDENIED);
    EXPECT_EQ(E_ACCESSDENIED, filter->raw_SetMainFolderProperties(refusing.get()));
    // What Box adds does not hang on the framework's part.
    std::vector<std::wstring> written(order.begin(), order.begin() + 4);
    written.insert(written.end(), order.end() - 2, order.end());
    EXPECT_EQ(written, refusing->WriteOrder());
    EXPECT_EQ(E_INVALIDARG, filter->raw_SetMainFolderProperties(nullptr));
}

} // namespace
