// Documents going up through raw_AddNewDocument and raw_UpdateDocument: what Box stores, what the
// item is left with, and the sync issue of every way an upload can fail.
#include "SyncUpFixture.h"

#include "LSHash.h"
#include "LSNamedProperties.h"
#include "StringUtils.h"

#include <optional>

using namespace SyncUp;
using BoxUploads::kMiB;
using BoxUploads::LocalFile;
namespace P = LSNamedProperties;

namespace {

constexpr char kUploadPath[] = "/api/2.0/files/content";

TEST_F(SyncUpTest, ANewDocumentIsStoredUnderACleanNameAndTheItemPointsAtIt)
{
    const LocalFile file = LocalFile::WithPattern(1000, 1);
    const ItemMap item = TestPropertyMap::Create();
    ASSERT_EQ(S_OK, Add(file, L"Q1:Plan.txt", item));

    const std::wstring id = Text(item, P::QuentraFromServerFileId);
    const Json::Value stored = standIn_.Item("file", WideToUtf8Lossy(id));
    EXPECT_EQ("Q1 Plan.txt", stored["name"].asString());
    EXPECT_EQ(file.Sha1Hex(), stored["sha1"].asString());
    EXPECT_EQ(std::wstring(CLSHash::GetGuidForString(id)), Text(item, P::UniqueId));
    EXPECT_EQ(1, item->Number(L"VersionId").value_or(0));
    EXPECT_EQ(L"Q1:Plan.txt", Text(item, P::DisplayName));
    EXPECT_EQ(L"Q1:Plan.txt", Text(item, P::QuentraFromServerFileName));
    EXPECT_EQ(-1.0, item->Date(L"RemoteFileLastModified").value_or(0));
    EXPECT_EQ(L"", SyncIssueType(item.get()));
}

struct MailCase {
    const char* name;
    const wchar_t* fileName;
    bool dated;
    TestPropertyMap::NamedTags tags;
    bool allAttachmentsHidden;
    const char* hasAttachments; // empty: no e-mail metadata at all
};

const MailCase kMailCases[] = {
    {"Received", L"mail.msg", true, TestPropertyMap::NamedTags::Offered, false, "1"},
    {"DraftWithoutTagLookup", L"draft.eml", false, TestPropertyMap::NamedTags::NotOffered, false, "1"},
    {"OnlyHiddenAttachments", L"mail.msg", true, TestPropertyMap::NamedTags::Offered, true, "0"},
    {"NotAMailFile", L"notes.txt", true, TestPropertyMap::NamedTags::Offered, false, ""},
};

class MailMetadata : public SyncUpTest, public ::testing::WithParamInterface<MailCase> {};

TEST_P(MailMetadata, ComesFromTheItemsProperties)
{
    const MailCase& mail = GetParam();
    const ItemMap item = TestPropertyMap::Create(mail.tags);
    item->SetText(L"0x0c1a001f", L"Ann Sender");
    item->SetText(L"0x0037001f", L"Quarterly numbers");
    item->SetText(L"0x0e04001f", L"Bo; Cy");
    item->SetFlag(L"0x0e1b000b", true);
    const uint32_t hiddenTag = (static_cast<uint32_t>(TestPropertyMap::TagForNamedId(0x8514)) & ~0xFFFFu) | 0x000B;
    item->SetFlag(std::wstring(ToHexString(hiddenTag)), mail.allAttachmentsHidden);
    if (mail.dated) {
        item->SetDate(L"0x0e060040", 45000.5);
        item->SetDate(L"0x00390040", 45000.25);
    }
    ASSERT_EQ(S_OK, Add(LocalFile::WithPattern(500, 2), mail.fileName, item));

    const Json::Value metadata = standIn_.Item("file", WideToUtf8Lossy(Text(item, P::QuentraFromServerFileId)))
                                     ["metadata"]["enterprise_1234567"]["mailProps"];
    if (*mail.hasAttachments == '\0') {
        EXPECT_TRUE(metadata.isNull()) << metadata;
        return;
    }
    EXPECT_EQ("Ann Sender", metadata["from"].asString());
    EXPECT_EQ("Bo; Cy", metadata["to"].asString());
    EXPECT_EQ(mail.hasAttachments, metadata["hasattachments"].asString());
    EXPECT_EQ(mail.dated, metadata.isMember("received"));
    EXPECT_EQ(mail.dated, metadata.isMember("sent"));
}

INSTANTIATE_TEST_SUITE_P(SyncUp, MailMetadata, ::testing::ValuesIn(kMailCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(SyncUpTest, ARefusedPreflightStoresNothingAndNamesNothing)
{
    SeedFile("taken.txt");
    const ItemMap item = TestPropertyMap::Create();
    EXPECT_EQ(E_FAIL, Add(LocalFile::WithPattern(10, 3), L"taken.txt", item));
    EXPECT_EQ(L"ERROR", SyncIssueType(item.get()));
    EXPECT_NE(std::wstring::npos, SyncIssueMessage(item.get()).find(L"item_name_in_use"));
    EXPECT_FALSE(item->Has(L"UniqueId") || item->Has(L"Quentra.FromServerFileId"));
    EXPECT_EQ(0u, Requests("POST", kUploadPath).size());
}

struct UploadErrorCase {
    const char* code;
    int status;
    const wchar_t* type;
    const wchar_t* message;
};

const UploadErrorCase kUploadErrors[] = {
    {"item_name_in_use", 409, L"DUPLICATE", L"name already in use"},
    {"access_denied_insufficient_permissions", 403, L"ERROR", L"insufficient permission"},
    {"storage_limit_exceeded", 403, L"ERROR", L"storage limit exceeded"},
    {"bad_request", 400, L"ERROR", L"invalid / badly formed request"},
    {"conflict", 409, L"ERROR", L"unknown error detected in file upload operation"},
};

class UploadError : public SyncUpTest, public ::testing::WithParamInterface<UploadErrorCase> {};

TEST_P(UploadError, BecomesTheItemsSyncIssue)
{
    AddFault(std::string(R"({"method":"POST","path":")") + kUploadPath + R"(","status":)" +
             std::to_string(GetParam().status) + R"(,"error":{"code":")" + GetParam().code + R"(","message":"no"}})");
    const ItemMap item = TestPropertyMap::Create();
    EXPECT_EQ(E_FAIL, Add(LocalFile::WithPattern(10, 4), L"refused.txt", item));
    EXPECT_EQ(GetParam().type, SyncIssueType(item.get()));
    EXPECT_EQ(GetParam().message, SyncIssueMessage(item.get()));
    EXPECT_FALSE(item->Has(L"UniqueId") || item->Has(L"Quentra.FromServerFileId"));
}

INSTANTIATE_TEST_SUITE_P(SyncUp, UploadError, ::testing::ValuesIn(kUploadErrors),
                         [](const auto& info) { return std::string(info.param.code); });

TEST_F(SyncUpTest, AFailedMetadataStepLinksTheItemToTheStoredFile)
{
    AddFault(R"({"method":"POST","path":"/2.0/files/*/metadata/*","status":500,"times":6,)"
             R"("error":{"code":"internal_server_error","message":"down"}})");
    const ItemMap item = TestPropertyMap::Create();
    item->SetText(L"0x0037001f", L"Subject");
    ASSERT_EQ(S_OK, Add(LocalFile::WithPattern(100, 5), L"mail.msg", item));

    EXPECT_EQ(L"ERRORSUCCESS", SyncIssueType(item.get()));
    const Json::Value stored = standIn_.Item("folder", "0")["children"];
    ASSERT_EQ(1u, stored.size());
    EXPECT_EQ(AnsiToWide(stored[0]["id"].asString()), Text(item, P::QuentraFromServerFileId));
    EXPECT_EQ(std::wstring(CLSHash::GetGuidForString(Text(item, P::QuentraFromServerFileId))),
              Text(item, P::UniqueId));
}

// ---- Updates -----------------------------------------------------------------------------------

TEST_F(SyncUpTest, ChangedContentGoesUpAsANewVersion)
{
    const std::string id = SeedFile("report.txt");
    const ItemMap item = SyncedItem(id);
    item->SetFlag(L"Quentra.IsContentChanged", true);
    const LocalFile file = LocalFile::WithPattern(2000, 6);
    ASSERT_EQ(S_OK, Update(file, L"report.txt", item));
    EXPECT_EQ(file.Sha1Hex(), standIn_.Item("file", id)["sha1"].asString());
    EXPECT_EQ(AnsiToWide(id), Text(item, P::QuentraFromServerFileId));
    EXPECT_EQ(2, item->Number(L"VersionId").value_or(0));
    // Box answers a new version's preflight at the file's content address, which its API
    // description lists for new files only: this test's requests stay out of the API check.
    standIn_.Post("journal/clear");
}

TEST_F(SyncUpTest, AnUnchangedUpdateSendsNothingAndKeepsItsIdentityThroughARename)
{
    const std::string id = SeedFile("old.txt");
    const ItemMap item = SyncedItem(id);
    item->SetFlag(L"Quentra.IsContentChanged", false);
    for (const wchar_t* newName : {L"", L"new.txt"}) {
        item->SetText(L"VESK.RenamedFilename", newName);
        ASSERT_EQ(S_OK, Update(LocalFile::WithPattern(10, 7), L"old.txt", item));
        EXPECT_EQ(AnsiToWide(id), Text(item, P::QuentraFromServerFileId));
        EXPECT_EQ(std::wstring(CLSHash::GetGuidForString(AnsiToWide(id))), Text(item, P::UniqueId));
        EXPECT_EQ(2, item->Number(L"VersionId").value_or(0));
    }
    EXPECT_EQ("new.txt", standIn_.Item("file", id)["name"].asString());
    EXPECT_EQ(0u, Requests("POST", "/api/2.0/files/*/content").size());
}

// The size goes to Box in full: a file of 4 GiB and more is never announced shorter.
TEST_F(SyncUpTest, TheUploadRecordCarriesSizesBeyond4GiB)
{
    const LocalFile file = LocalFile::Sparse((5ull << 30) + 3, "end");
    EXPECT_EQ((5ull << 30) + 3, VESKBoxSyncFilterImpl::ReadLocalFileChunk(file.Path(), L"big.bin"));
}

TEST_F(SyncUpTest, AnUpdateOfAFileGoneFromBoxOrChangedThereIsRefused)
{
    const std::string goneId = SeedFile("gone.txt");
    const ItemMap gone = SyncedItem(goneId);
    standIn_.Post("item/delete", BoxRoad::ParseJson(R"({"type":"file","id":")" + goneId + "\"}"));
    EXPECT_EQ(E_FAIL, Update(LocalFile::WithPattern(10, 8), L"gone.txt", gone));
    EXPECT_EQ(L"ERROR", SyncIssueType(gone.get()));
    EXPECT_EQ(L"The document no longer exists online, so this change could not be saved.",
              SyncIssueMessage(gone.get()));

    const std::string changedId = SeedFile("changed.txt");
    const ItemMap changed = SyncedItem(changedId);
    standIn_.Post("item", BoxRoad::ParseJson(R"({"type":"file","id":")" + changedId + R"(","content_text":"new"})"));
    changed->SetFlag(L"Quentra.IsContentChanged", true);
    EXPECT_EQ(E_FAIL, Update(LocalFile::WithPattern(10, 9), L"changed.txt", changed));
    EXPECT_EQ(L"CONFLICT", SyncIssueType(changed.get()));
    EXPECT_EQ(AnsiToWide(standIn_.Item("file", changedId)["etag"].asString()),
              Text(changed, P::QuentraRemoteChangeETag));
    EXPECT_EQ(L"Changed here at Unknown.", Text(changed, P::QuentraLocalChangeInfo));
    EXPECT_EQ(AnsiToWide(changedId), Text(changed, P::QuentraFromServerFileId));
}

// ---- Faults of a session upload ----------------------------------------------------------------

struct FaultCase {
    const char* name;
    const char* partReplies; // empty: the parts pass
    bool stopAfterFirstPart;
    HRESULT expected;
};

const FaultCase kFaults[] = {
    {"None", "", false, S_OK},
    {"UnauthorizedPart", R"([{"action":"pass"},{"status":401}])", false, S_OK},
    {"ServerErrorOnAPart", R"([{"action":"pass"},{"status":500}])", false, E_FAIL},
    {"DroppedConnection", R"([{"action":"pass"},{"action":"close"}])", false, S_OK},
    {"StopFromAnotherThread", R"([{"action":"pass","delay_ms":300,"times":8}])", true, E_FAIL},
};

class SessionUpload : public SyncUpTest, public ::testing::WithParamInterface<FaultCase> {};

TEST_P(SessionUpload, EndsStoredWholeOrWithoutAnIdentity)
{
    const FaultCase& fault = GetParam();
    if (*fault.partReplies != '\0')
        AddFault(std::string(R"({"method":"PUT","path":")") + BoxUploads::kPartPath + R"(","replies":)" +
                 fault.partReplies + "}");
    const LocalFile file = LocalFile::WithPattern(60 * kMiB, 10);
    const ItemMap item = TestPropertyMap::Create();
    std::optional<BoxUploads::WhenThen> stop;
    if (fault.stopAfterFirstPart) {
        TestHost::TestShutdownInformer* informer = informer_.get();
        stop.emplace([this] { return !Requests("PUT", BoxUploads::kPartPath).empty(); },
                     [informer] { informer->RequestStop(); });
    }
    const HRESULT hr = Add(file, L"big.bin", item);
    EXPECT_EQ(fault.expected, hr);
    if (SUCCEEDED(hr)) {
        EXPECT_EQ(file.Sha1Hex(), StoredSha1(Text(item, P::QuentraFromServerFileId)));
        EXPECT_GT(Requests("PUT", BoxUploads::kPartPath).size(), 1u);
    } else {
        EXPECT_EQ(L"ERROR", SyncIssueType(item.get()));
        EXPECT_FALSE(item->Has(L"UniqueId") || item->Has(L"Quentra.FromServerFileId"));
        EXPECT_TRUE(standIn_.Item("folder", "0")["children"].empty());
    }
}

INSTANTIATE_TEST_SUITE_P(SyncUp, SessionUpload, ::testing::ValuesIn(kFaults),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
