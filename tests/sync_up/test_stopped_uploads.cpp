// Uploads the host stops while their body is still going out, Box reading it slowly: the call fails,
// the user's file is let go as it returns, Box stores nothing of it, and the next upload of the same
// filter object to the same host stores exactly its own bytes.
#include "SyncUpFixture.h"

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

using namespace SyncUp;
using BoxUploads::kMiB;

namespace {

constexpr char kName[] = "stopped.bin";
constexpr wchar_t kWideName[] = L"stopped.bin";
constexpr char kNewFilePath[] = "/api/2.0/files/content";
constexpr char kVersionPath[] = "/api/2.0/files/*/content";
constexpr char kSessions[] = "/api/2.0/files/upload_sessions";
// The body given up is a part of 32 MiB or a whole document of 40; the next upload's is 3 MiB.
constexpr uint64_t kGivenUpAtLeast = 32 * kMiB;

struct StoppedCase {
    const char* name;
    bool newVersion;
    uint64_t size;
    // The last request before the body goes out, and the body's own.
    const char* lastBefore[2];
    const char* body[2];
};

// Box reads 1 MiB in 100 ms: each body takes seconds, far longer than the socket buffers hide.
const StoppedCase kCases[] = {
    {"NewDocument", false, 40 * kMiB, {"OPTIONS", "/2.0/files/content"}, {"POST", kNewFilePath}},
    {"NewVersion", true, 40 * kMiB + 7, {"OPTIONS", "/2.0/files/*/content"}, {"POST", kVersionPath}},
    // Parts of 32 MiB: the first is stopped.
    {"SessionPart", false, BoxUploads::kChunkedThreshold + 1, {"POST", kSessions}, {"PUT", BoxUploads::kPartPath}},
};

class StoppedUpload : public SyncUpTest, public ::testing::WithParamInterface<StoppedCase> {
protected:
    bool Answered(const char* const (&request)[2]) const
    {
        for (const Json::Value& entry : Requests(request[0], request[1]))
            if (!entry["status"].isNull())
                return true;
        return false;
    }
    // The body given up once Box has read it all, or null.
    Json::Value GivenUpBody() const
    {
        for (const Json::Value& entry : Requests(GetParam().body[0], GetParam().body[1]))
            if (entry["body_size"].asUInt64() >= kGivenUpAtLeast)
                return entry;
        return Json::Value();
    }
    // Once the last request before the body is answered and the filter has asked the informer a few
    // times since, between blocks of the body.
    std::function<bool()> BodyUnderWay() const
    {
        return [this, since = std::optional<long>()]() mutable {
            if (!since && Answered(GetParam().lastBefore))
                since = informer_->StopQueries();
            return since && informer_->StopQueries() >= *since + 3;
        };
    }
    HRESULT Upload(const LocalFile& file, const ItemMap& item)
    {
        if (!GetParam().newVersion)
            return Add(file, kWideName, item);
        item->SetFlag(L"Quentra.IsContentChanged", true);
        return Update(kWideName, item, file);
    }
};

TEST_P(StoppedUpload, FailsLetsGoOfTheFileStoresNothingAndTheNextUploadStoresItsOwnBytes)
{
    const StoppedCase& stopped = GetParam();
    const ItemMap item = stopped.newVersion ? SyncedItem(Seed("file", kName)) : Map({});
    SetSwitch("part_size", 32 * kMiB);
    SetSwitch("body_read_pace_ms", 100);
    const LocalFile file = LocalFile::WithPattern(stopped.size, 21);

    HRESULT hr = S_OK;
    {
        const BoxUploads::WhenThen stop(BodyUnderWay(), [this] { informer_->RequestStop(); });
        hr = Upload(file, item);
    }
    EXPECT_TRUE(FAILED(hr));
    EXPECT_EQ(0u, Requests(stopped.body[0], stopped.body[1]).size()) << "the call did not wait for the body";
    const std::wstring renamed = file.Path() + L".renamed";
    EXPECT_TRUE(BoxRoad::WaitUntil([&] { return ::MoveFileW(file.Path().c_str(), renamed.c_str()) != FALSE; },
                                   std::chrono::seconds(1)))
        << "error " << ::GetLastError();
    EXPECT_TRUE(::DeleteFileW(renamed.c_str())) << "error " << ::GetLastError();

    // The host goes on with a new informer; the body given up still goes out meanwhile.
    const auto informer = TestHost::TestShutdownInformer::Create();
    ASSERT_EQ(S_OK, filter_->put_pShutdownInformer(informer.get()));
    const LocalFile next = LocalFile::WithPattern(3 * kMiB + 5, 22);
    const ItemMap nextItem = stopped.newVersion ? item : Map({});
    ASSERT_EQ(S_OK, Upload(next, nextItem));
    const std::string fileId = WideToUtf8Lossy(Text(nextItem, L"Quentra.FromServerFileId"));
    EXPECT_EQ(next.Sha1Hex(), standIn_.Item("file", fileId)["sha1"].asString());
    const Json::Value uploads = Requests("POST", stopped.newVersion ? kVersionPath : kNewFilePath);
    const auto nextUpload = std::find_if(uploads.begin(), uploads.end(), [](const Json::Value& entry) {
        return entry["body_size"].asUInt64() < kGivenUpAtLeast;
    });
    ASSERT_NE(uploads.end(), nextUpload);
    EXPECT_EQ(next.Sha1Hex(), Header(*nextUpload, "content-md5"));

    // Once Box has answered the body given up, it holds the next upload's bytes and nothing else.
    EXPECT_TRUE(BoxRoad::WaitUntil([&] { return !GivenUpBody()["status"].isNull(); }, std::chrono::seconds(60)));
    EXPECT_LE(400, GivenUpBody()["status"].asInt()) << "Box refused the body given up";
    std::vector<std::string> named;
    for (const Json::Value& child : RootChildren())
        if (child["name"].asString() == kName)
            named.push_back(child["id"].asString());
    EXPECT_EQ(std::vector<std::string>{fileId}, named);
    EXPECT_EQ(next.Sha1Hex(), standIn_.Item("file", fileId)["sha1"].asString());
    EXPECT_EQ(stopped.newVersion ? "2" : "1", standIn_.Item("file", fileId)["version_number"].asString());
    for (const Json::Value& session : Sessions())
        EXPECT_EQ("aborted", session["state"].asString());
    // A new version's preflight goes where Box's API description lists new files only (see
    // UpdatesKeepTheItemsIdentity): the fixture's check of every request would refuse it.
    if (stopped.newVersion)
        standIn_.Post("journal/clear");
}

INSTANTIATE_TEST_SUITE_P(SyncUp, StoppedUpload, ::testing::ValuesIn(kCases), BoxRoad::CaseName());

} // namespace
