// Single operations against the stand-in's store, and the failures their callers see.
#include "OperationsFixture.h"

#include "BoxExceptions.h"
#include "BoxFileOperations.h"
#include "BoxFolderOperations.h"
#include "BoxRenames.h"
#include "BoxUserOperations.h"

using namespace BoxOperations;

namespace {

// Folder "500" with one file.
constexpr char kParentFolder[] = R"({"folders": [{"name": "Parent", "id": "500"}],
  "files": [{"name": "a.txt", "parent_id": "500", "id": "601", "content_text": "a", "etag": 4}]})";

using SingleOperations = OperationsTest;

TEST_F(SingleOperations, UserInfoNamesTheEnterpriseOrFails)
{
    EXPECT_EQ(L"1234567", Box_20::GetUserInfo(informer_.get()).EnterpriseId);
    standIn_.SetSwitches(BoxRoad::ParseJson(R"({"enterprise_null": true})"));
    EXPECT_EQ(L"Box_20::GetUserInfo Json enterprise info from Box is null",
              BoxRoad::ApiErrorOf([&] { Box_20::GetUserInfo(informer_.get()); }));
}

TEST_F(SingleOperations, AReplyWithoutETagIsNoAnswer)
{
    AddFault(R"({"method": "GET", "path": "/2.0/files/601", "replies": [
                 {"status": 200, "json": {"type": "file", "id": "601"}},
                 {"status": 200, "json": {"type": "file", "id": "601", "etag": null}},
                 {"status": 204}]})");
    for (int reply = 0; reply < 3; ++reply)
        EXPECT_THROW(Box_20::HasChangesOnline(L"601", L"", informer_.get()), Box_20::ApiException) << reply;
}

// Names travel escaped; renames answer Box's id for the item, which the host keeps as the remote name.
TEST_F(SingleOperations, CreateAndRenameGiveTheId)
{
    Seed(kParentFolder);

    const CStdStr<wchar_t> id = Box_20::CreateFolder(L"Q \"quoted\" \u00e9t\u00e9", informer_.get(), L"500");
    EXPECT_EQ("Q \"quoted\" \xc3\xa9t\xc3\xa9", standIn_.Item("folder", WideToUtf8Lossy(id))["name"].asString());
    EXPECT_EQ(L"601", Box_20::RenameFile(L"601", informer_.get(), L"renamed \u00e9.txt"));
    EXPECT_EQ("renamed \xc3\xa9.txt", standIn_.Item("file", "601")["name"].asString());
}

TEST_F(SingleOperations, ARenameBoxDidNotMakeFails)
{
    AddFault(R"({"method": "PUT", "path": "/2.0/files/601", "status": 200,
                 "json": {"type": "file", "id": "601", "etag": "5", "name": "other.txt"}})");
    EXPECT_EQ(0u, BoxRoad::ApiErrorOf([&] { Box_20::RenameFile(L"601", informer_.get(), L"wanted.txt"); })
                      .find(L"Box_20::RenameFile "));
}

} // namespace
