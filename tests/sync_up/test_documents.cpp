// Documents added and updated: what Box stores, what the item keeps, the sync issue of each failure.
#include "SyncUpFixture.h"

#include <optional>

using namespace SyncUp;

namespace {

std::string Fault(const std::string& method, const std::string& path, const std::string& reply)
{
    return R"({"method":")" + method + R"(","path":")" + path + R"(",)" + reply + "}";
}

struct MailCase { const wchar_t* fileName; bool dated; TestPropertyMap::NamedTags tags; bool hidden; const char* has; };

const MailCase kMailCases[] = {
    {L"Q1:Plan.txt", true, TestPropertyMap::NamedTags::Offered, false, nullptr},
    {L"mail.msg", true, TestPropertyMap::NamedTags::Offered, false, "1"},
    {L"draft.eml", false, TestPropertyMap::NamedTags::NotOffered, false, "1"},
    {L"hidden.msg", true, TestPropertyMap::NamedTags::Offered, true, "0"},
};

class NewDocument : public SyncUpTest, public ::testing::WithParamInterface<MailCase> {};

TEST_P(NewDocument, IsStoredAndTheItemPointsAtItWithItsMailMetadata)
{
    const MailCase& mail = GetParam();
    const ItemMap item = TestPropertyMap::Create(mail.tags);
    item->SetText(L"0x0c1a001f", L"Ann Sender");
    item->SetText(L"0x0037001f", L"Quarterly \"numbers\"");
    item->SetText(L"VESK.DuplicateHash", L"{0123-HASH}");
    item->SetFlag(L"0x0e1b000b", true);
    const uint32_t hiddenTag = (static_cast<uint32_t>(TestPropertyMap::TagForNamedId(0x8514)) & ~0xFFFFu) | 0x000B;
    item->SetFlag(std::wstring(ToHexString(hiddenTag)), mail.hidden);
    for (const wchar_t* date : {L"0x0e060040", L"0x00390040"})
        if (mail.dated)
            item->SetDate(date, 45000.5);
    const LocalFile file = LocalFile::WithPattern(500, 2);
    ASSERT_EQ(S_OK, Add(file, mail.fileName, item));

    const std::string id = WideToUtf8Lossy(Text(item, L"Quentra.FromServerFileId"));
    const Json::Value stored = standIn_.Item("file", id);
    EXPECT_EQ(file.Sha1Hex(), stored["sha1"].asString());
    EXPECT_EQ(Guid(id), Text(item, L"UniqueId"));
    EXPECT_EQ(L"", SyncIssueType(item.get())) << "an accepted preflight records nothing";
    EXPECT_EQ(1, item->Number(L"VersionId").value_or(0));
    EXPECT_EQ(mail.fileName, Text(item, L"Quentra.FromServerFileName"));
    EXPECT_EQ(-1.0, item->Date(L"RemoteFileLastModified").value_or(0));
    EXPECT_EQ("{0123-HASH}", stored["metadata"]["enterprise_1234567"]["fingerprints"]["fingerprint"].asString());
    const Json::Value metadata = stored["metadata"]["enterprise_1234567"]["mailProps"];
    if (mail.has == nullptr) {
        EXPECT_EQ("Q1 Plan.txt", stored["name"].asString()) << "the name is cleaned for Box";
        EXPECT_TRUE(metadata.isNull());
        return;
    }
    EXPECT_EQ("Ann Sender", metadata["from"].asString());
    EXPECT_EQ(mail.has, metadata["hasattachments"].asString());
    EXPECT_EQ("Quarterly \"numbers\"", metadata["subject"].asString());
    EXPECT_EQ(mail.dated ? "2023-03-15T12:00:00.000Z" : "", metadata["received"].asString());
    EXPECT_EQ(metadata["received"], metadata["sent"]);
}

INSTANTIATE_TEST_SUITE_P(SyncUp, NewDocument, ::testing::ValuesIn(kMailCases));

// A refused preflight keeps Box's own text; a refused upload gets the text of its reason. Only
// Box's refusal reads as Box refusing the file: a preflight that could not be asked is no refusal.
struct UploadErrorCase { const char *name, *path, *reply; const wchar_t *type, *message; };

constexpr char kPreflight[] = "/2.0/files/content", kUpload[] = "/api/2.0/files/content";
constexpr char kTokens[] = "/oauth2/token";
constexpr wchar_t kUnknown[] = L"unknown error detected in file upload operation";
#define RETRIED_AFTER_1S R"(,"times":9,"headers":{"Retry-After":"1"})"
#define HTML R"("content_type":"text/html")"
#define BOX_ERROR(status, code) R"("status":)" #status R"(,"error":{"code":")" code R"("})"

const UploadErrorCase kUploadErrors[] = {
    {"PreflightNameInUse", kPreflight, BOX_ERROR(409, "item_name_in_use"), L"ERROR",
     L"[Box Error Code]item_name_in_use\n"},
    {"PreflightThrottled", kPreflight, BOX_ERROR(429, "rate_limit_exceeded") RETRIED_AFTER_1S, L"ERROR", kUnknown},
    {"PreflightServerError", kPreflight, BOX_ERROR(500, "internal_server_error") R"(,"times":9)", L"ERROR", kUnknown},
    {"PreflightGarbledSuccess", kPreflight, R"("status":200,"text":"<html>ok</html>",)" HTML, L"ERROR", kUnknown},
    {"PreflightNotFoundWithoutBoxBody", kPreflight, R"("status":404,"text":"<html>Not Found</html>",)" HTML, L"ERROR",
     kUnknown},
    {"RefusedTokenRefresh", kTokens, R"("status":400,"json":{"error":"invalid_grant"})", L"ERROR", kUnknown},
    {"UploadNameInUse", kUpload, BOX_ERROR(409, "item_name_in_use"), L"DUPLICATE", L"name already in use"},
    {"UploadDenied", kUpload, BOX_ERROR(403, "access_denied_insufficient_permissions"), L"ERROR",
     L"insufficient permission"},
    {"UploadStorageLimit", kUpload, BOX_ERROR(403, "storage_limit_exceeded"), L"ERROR", L"storage limit exceeded"},
    {"UploadBadRequest", kUpload, BOX_ERROR(400, "bad_request"), L"ERROR", L"invalid / badly formed request"},
    {"UploadConflict", kUpload, BOX_ERROR(409, "conflict"), L"ERROR", kUnknown},
};
#undef BOX_ERROR
#undef HTML
#undef RETRIED_AFTER_1S

class UploadError : public SyncUpTest, public ::testing::WithParamInterface<UploadErrorCase> {};

TEST_P(UploadError, BecomesTheItemsSyncIssue)
{
    const UploadErrorCase& error = GetParam();
    AddFault(Fault(error.path == kPreflight ? "OPTIONS" : "POST", error.path, error.reply));
    if (error.path == kTokens)
        ExpireAccessToken();
    const ItemMap item = TestPropertyMap::Create();
    EXPECT_EQ(E_FAIL, Add(LocalFile::WithPattern(10, 4), L"refused.txt", item));
    EXPECT_EQ(error.type, SyncIssueType(item.get()));
    EXPECT_EQ(0u, SyncIssueMessage(item.get()).find(error.message)) << WideToUtf8Lossy(SyncIssueMessage(item.get()));
    EXPECT_FALSE(HasIdentity(item));
    EXPECT_TRUE(RootChildren().empty());
    EXPECT_EQ(error.path == kUpload, !Requests("POST", kUpload).empty());
    if (error.message[0] == L'[') {
        EXPECT_EQ(1u, Requests("OPTIONS", kPreflight).size()) << "a refusal is not asked again";
    }
}

INSTANTIATE_TEST_SUITE_P(SyncUp, UploadError, ::testing::ValuesIn(kUploadErrors), BoxRoad::CaseName());

TEST_F(SyncUpTest, AFailedMetadataStepLinksTheItemToTheStoredFile)
{
    AddFault(Fault("POST", "/2.0/files/*/metadata/*", R"("status":500,"times":6)"));
    const ItemMap item = Map({{L"0x0037001f", L"Subject"}});
    ASSERT_EQ(S_OK, Add(LocalFile::WithPattern(100, 5), L"mail.msg", item));

    EXPECT_EQ(L"ERRORSUCCESS", SyncIssueType(item.get()));
    ASSERT_EQ(1u, RootChildren().size());
    const std::string id = RootChildren()[0]["id"].asString();
    EXPECT_EQ(AnsiToWide(id), Text(item, L"Quentra.FromServerFileId"));
    EXPECT_EQ(Guid(id), Text(item, L"UniqueId"));
}

// A changed document goes up as a new version, an unchanged one is only renamed: both keep their identity.
TEST_F(SyncUpTest, UpdatesKeepTheItemsIdentity)
{
    const std::string id = Seed("file", "old.txt");
    const ItemMap item = SyncedItem(id);
    const LocalFile file = LocalFile::WithPattern(2000, 6);
    for (const wchar_t* newName : {L"", L"", L"new.txt"}) {
        item->SetFlag(L"Quentra.IsContentChanged", Requests("POST", "/api/2.0/files/*/content").empty());
        item->SetText(L"VESK.RenamedFilename", newName);
        item->SetText(L"Quentra.FromServerETag", AnsiToWide(standIn_.Item("file", id)["etag"].asString()));
        ASSERT_EQ(S_OK, Update(L"old.txt", item, file));
        EXPECT_EQ(AnsiToWide(id), Text(item, L"Quentra.FromServerFileId"));
        EXPECT_EQ(Guid(id), Text(item, L"UniqueId"));
        EXPECT_EQ(2, item->Number(L"VersionId").value_or(0));
    }
    EXPECT_EQ(file.Sha1Hex(), standIn_.Item("file", id)["sha1"].asString());
    EXPECT_EQ("new.txt", standIn_.Item("file", id)["name"].asString());
    EXPECT_EQ(1u, Requests("POST", "/api/2.0/files/*/content").size());
    // Box answers a new version's preflight at the file's content address, which its API
    // description lists for new files only: that request alone stays out of the API check.
    for (const Json::Value& entry : Journal()) {
        const bool versionPreflight =
            entry["method"].asString() == "OPTIONS" && entry["path"].asString() != "/2.0/files/content";
        EXPECT_TRUE(versionPreflight || entry["api"]["status"].asString() == "ok") << entry["request_line"].asString();
    }
    standIn_.Post("journal/clear");
}

TEST_F(SyncUpTest, AnUpdateOfAFileGoneFromBoxOrChangedThereIsRefused)
{
    const std::string goneId = Seed("file", "gone.txt");
    const ItemMap gone = SyncedItem(goneId);
    standIn_.Post("item/delete", BoxRoad::ParseJson(R"({"type":"file","id":")" + goneId + "\"}"));
    EXPECT_EQ(E_FAIL, Update(L"gone.txt", gone));
    EXPECT_EQ(L"ERROR", SyncIssueType(gone.get()));
    EXPECT_EQ(L"The document no longer exists online, so this change could not be saved.",
              SyncIssueMessage(gone.get()));

    const std::string id = Seed("file", "changed.txt");
    const ItemMap changed = SyncedItem(id);
    standIn_.Post("item", BoxRoad::ParseJson(R"({"type":"file","id":")" + id + R"(","content_text":"new"})"));
    changed->SetFlag(L"Quentra.IsContentChanged", true);
    EXPECT_EQ(E_FAIL, Update(L"changed.txt", changed));
    EXPECT_EQ(L"CONFLICT", SyncIssueType(changed.get()));
    EXPECT_EQ(AnsiToWide(standIn_.Item("file", id)["etag"].asString()), Text(changed, L"Quentra.RemoteChangeETag"));
    EXPECT_EQ(L"Changed here at Unknown.", Text(changed, L"Quentra.LocalChangeInfo"));
}

// A new version takes the item's fingerprint along; what Box refuses becomes the item's sync issue.
#define OLDHASH R"(,"metadata":{"enterprise":{"fingerprints":{"fingerprint":"OLDHASH"}}})"
struct VersionCase { const char *file, *fault; HRESULT hr; const wchar_t *issue, *message; const char* fingerprint; };
const VersionCase kVersions[] = {
    {OLDHASH, "", S_OK, L"", L"", "NEWHASH"},
    {"", "", S_OK, L"", L"", "NEWHASH"},
    {OLDHASH, R"({"method":"PUT","path":"/2.0/files/*/metadata/*","status":403})", S_OK, L"ERRORSUCCESS",
     L"Box_20::UploadFileVersion", "OLDHASH"},
    {OLDHASH R"(,"lock":{"expires_at":null,"created_by":{"id":"9"}})", "", E_FAIL, L"ERROR",
     L"[Box Error Code]access_denied_item_locked", "OLDHASH"},
};
#undef OLDHASH

TEST_F(SyncUpTest, ANewVersionTakesItsFingerprintAlongOrIsRefusedAsTheItemsIssue)
{
    for (const VersionCase& version : kVersions) {
        const std::string name = std::to_string(&version - kVersions);
        const std::string id = standIn_.Post("seed", BoxRoad::ParseJson(R"({"files":[{"name":")" + name +
            R"(","parent_id":"0","content_text":"old")" + version.file + "}]}"))["files"][0].asString();
        if (*version.fault)
            AddFault(version.fault);
        const ItemMap item = SyncedItem(id);
        item->SetFlag(L"Quentra.IsContentChanged", true);
        item->SetText(L"VESK.DuplicateHash", L"NEWHASH");
        EXPECT_EQ(version.hr, Update(AnsiToWide(name), item));
        EXPECT_EQ(version.issue, SyncIssueType(item.get()));
        EXPECT_EQ(0u, SyncIssueMessage(item.get()).find(version.message));
        EXPECT_EQ(version.fingerprint, standIn_.Item("file", id)["metadata"]["enterprise_1234567"]["fingerprints"]
                                                                  ["fingerprint"].asString());
    }
    standIn_.Post("journal/clear"); // a new version's preflight: see UpdatesKeepTheItemsIdentity
}

// What an upload survives (sent again alike), and otherwise the session aborted and nothing stored.
struct FaultCase {
    const char *name, *path, *replies;
    unsigned sends;        // requests of that kind in all
    unsigned faulted;      // of a survived fault: the request answered with it
    int refreshes;
    const wchar_t* issue;  // the start of the sync issue's text (of a failure not stopped); null when it survives
    unsigned stopAt = 0;   // the request of that kind at whose start the host asks to stop
    uint64_t size = 60 * BoxUploads::kMiB;
};

constexpr const char* kPart = BoxUploads::kPartPath;
constexpr const char* kCommit = BoxUploads::kCommitPath;

const FaultCase kFaults[] = {
    {"PartUnauthorized", kPart, R"([{"action":"pass","times":2},{"status":401}])", 9, 2, 1, nullptr},
    {"CommitUnauthorized", kCommit, R"([{"status":401}])", 2, 0, 1, nullptr},
    {"CommitStillProcessing", kCommit, R"([{"status":202,"headers":{"Retry-After":"1"},"times":4}])", 5, 0, 0, nullptr},
    // The body, read from the file as it goes, goes again from its start.
    {"MultipartUnauthorized", "/api/2.0/files/content", R"([{"status":401}])", 2, 0, 1, nullptr, 0,
     3 * BoxUploads::kMiB + 7},
    {"PartUnauthorizedTwice", kPart, R"([{"action":"pass"},{"status":401,"times":2}])", 3, 0, 1, kUnknown},
    // Parts go out once each: a refusal or a dropped connection ends the upload.
    {"PartRefused", kPart,
     R"([{"action":"pass"},{"status":500,"error":{"code":"internal_server_error","message":"Oops"}}])", 2, 0, 0, kUnknown},
    {"ConnectionDropped", kPart, R"([{"action":"pass"},{"action":"close"}])", 2, 0, 0, L"CLSBaseWS::"},
    {"CommitNeverDone", kCommit, R"([{"status":202,"headers":{"Retry-After":"1"},"times":5}])", 5, 0, 0, kUnknown},
    {"StopWhileAPartTravels", kPart, R"([{"action":"pass","times":2},{"action":"pass","delay_ms":3000}])", 3, 0, 0, L"", 3},
    {"StopDuringTheCommitsWait", kCommit, R"([{"status":202,"headers":{"Retry-After":"30"}}])", 1, 0, 0, L"", 1},
};

class UploadFault : public SyncUpTest, public ::testing::WithParamInterface<FaultCase> {};

TEST_P(UploadFault, EndsStoredWholeOrAbortedWithoutAnIdentity)
{
    const FaultCase& fault = GetParam();
    const std::string method = fault.path == kPart ? "PUT" : "POST";
    AddFault(Fault(method, fault.path, std::string(R"("replies":)") + fault.replies));
    const LocalFile file = LocalFile::WithPattern(fault.size, 10);
    const ItemMap item = TestPropertyMap::Create();
    std::optional<BoxUploads::WhenThen> stop;
    if (fault.stopAt != 0)
        stop.emplace([&] { return Requests(method, fault.path).size() >= fault.stopAt; },
                     [informer = informer_.get()] { informer->RequestStop(); });
    const HRESULT hr = Add(file, L"big.bin", item);
    stop.reset();

    const Json::Value sent = Requests(method, fault.path);
    ASSERT_EQ(fault.sends, sent.size());
    EXPECT_EQ(fault.refreshes, StandInTokens()["refresh_count"].asInt());
    if (fault.issue == nullptr) {
        ASSERT_EQ(S_OK, hr);
        EXPECT_EQ(file.Sha1Hex(), StoredSha1(Text(item, L"Quentra.FromServerFileId")));
        const Json::Value &first = sent[fault.faulted], &again = sent[fault.faulted + 1];
        EXPECT_NE(200, first["status"].asInt());
        EXPECT_EQ(Header(first, "digest"), Header(again, "digest")) << "the same request again";
        EXPECT_EQ(Body(first), Body(again));
        return;
    }
    EXPECT_TRUE(FAILED(hr));
    if (fault.stopAt == 0) {
        EXPECT_EQ(E_FAIL, hr);
        EXPECT_EQ(L"ERROR", SyncIssueType(item.get()));
        EXPECT_EQ(0u, SyncIssueMessage(item.get()).find(fault.issue)) << WideToUtf8Lossy(SyncIssueMessage(item.get()));
    }
    EXPECT_FALSE(HasIdentity(item));
    EXPECT_TRUE(RootChildren().empty());
    EXPECT_EQ("aborted", Sessions()[0]["state"].asString());
    EXPECT_EQ(1u, Requests("DELETE", kPart).size());
}

INSTANTIATE_TEST_SUITE_P(SyncUp, UploadFault, ::testing::ValuesIn(kFaults), BoxRoad::CaseName());

} // namespace

// The host stops while Box holds its answer to an upload: the call fails, and the user's file is
// let go as it returns, free to be renamed and deleted while the mail client runs on.
TEST_F(SyncUpTest, AnUploadStoppedWhileBoxHoldsItsAnswerLetsGoOfTheUsersFile)
{
    AddFault(Fault("POST", "/api/2.0/files/content", R"("replies":[{"action":"pass","delay_ms":5000}])"));
    const LocalFile file = LocalFile::WithPattern(500, 3);
    const BoxUploads::WhenThen stop([&] { return !Requests("POST", "/api/2.0/files/content").empty(); },
                                    [&] { informer_->RequestStop(); });
    EXPECT_TRUE(FAILED(Add(file, L"held.txt", Map({}))));

    const std::wstring renamed = file.Path() + L".renamed";
    EXPECT_TRUE(BoxRoad::WaitUntil([&] { return ::MoveFileW(file.Path().c_str(), renamed.c_str()) != FALSE; },
                                   std::chrono::seconds(3)))
        << "error " << ::GetLastError();
    EXPECT_TRUE(::DeleteFileW(renamed.c_str())) << "error " << ::GetLastError();
}
