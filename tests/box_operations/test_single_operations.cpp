// Single operations and lock states against the stand-in's store, and the failures their callers see.
#include "OperationsFixture.h"

#include "BoxFileOperations.h"
#include "BoxFolderOperations.h"
#include "BoxLocks.h"
#include "BoxRenames.h"
#include "BoxUserOperations.h"

using namespace BoxOperations;

namespace {

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

// Names travel escaped; renames answer Box's id (the host's remote name) or fail when Box did not make them.
TEST_F(SingleOperations, CreateAndRenameGiveTheIdOrFail)
{
    Seed(R"({"folders": [{"name": "Parent", "id": "500"}],
             "files": [{"name": "a.txt", "parent_id": "500", "id": "601", "content_text": "a", "etag": 4}]})");

    const CStdStr<wchar_t> id = Box_20::CreateFolder(L"Q \"quoted\" \u00e9t\u00e9", informer_.get(), L"500");
    EXPECT_EQ("Q \"quoted\" \xc3\xa9t\xc3\xa9", standIn_.Item("folder", WideToUtf8Lossy(id))["name"].asString());
    EXPECT_EQ(L"601", Box_20::RenameFile(L"601", informer_.get(), L"renamed \u00e9.txt"));
    EXPECT_EQ("renamed \xc3\xa9.txt", standIn_.Item("file", "601")["name"].asString());

    AddFault(R"({"method": "PUT", "path": "/2.0/files/601", "status": 200,
                 "json": {"type": "file", "id": "601", "etag": "5", "name": "other.txt"}})");
    EXPECT_EQ(0u, BoxRoad::ApiErrorOf([&] { Box_20::RenameFile(L"601", informer_.get(), L"wanted.txt"); })
                      .find(L"Box_20::RenameFile "));
}

TEST_F(SingleOperations, LockStatesAsBoxReportsThem)
{
    const std::string otherUser = R"("created_by": {"id": "999", "name": "O", "login": "o@x.com"})";
    Seed(R"({"files": [{"name": "a", "id": "601", "content_text": "d",
                         "lock": {"expires_at": "2020-01-01T00:00:00-08:00"}},
        {"name": "b", "id": "602", "content_text": "d", "lock": {"expires_at": null, )" + otherUser + R"(}},
        {"name": "c", "id": "603", "content_text": "d", "lock": {"expires_at": "2020-01-01T00:00:00Z", )" +
         otherUser + "}}]}");
    EXPECT_FALSE(Box_20::IsFileCheckedOut(L"601", informer_.get())) << "own lock expired";
    EXPECT_TRUE(Box_20::IsFileCheckedOut(L"602", informer_.get())) << "another user's lock";
    EXPECT_FALSE(Box_20::IsFileCheckedOut(L"603", informer_.get())) << "another user's expired lock";
}

struct ContradictionCase {
    const char* name;
    bool checkout;
    const char* reply;
    const wchar_t* text;
};

const ContradictionCase kContradictions[] = {
    {"CheckoutAnsweredWithoutLock", true, R"({"type": "file", "id": "601", "lock": null})",
     L"Box_20::CheckoutFile Box reports no lock on the file"},
    {"CheckoutAnsweredWithoutBody", true, nullptr, L"Box_20::CheckoutFile Json response from Box is null"},
    {"CancelAnsweredWithLock", false,
     R"({"type": "file", "id": "601", "lock": {"type": "lock", "id": "1", "expires_at": null}})",
     L"Box_20::CancelCheckoutFile the file is still locked"},
};

class Contradictions : public OperationsTest, public ::testing::WithParamInterface<ContradictionCase> {};

TEST_P(Contradictions, AreFailures)
{
    const ContradictionCase& contradiction = GetParam();
    AddFault(std::string(R"({"method": "PUT", "path": "/2.0/files/601", "status": 200)") +
             (contradiction.reply ? std::string(R"(, "json": )") + contradiction.reply : std::string()) + "}");
    const auto operation = contradiction.checkout ? Box_20::CheckoutFile : Box_20::CancelCheckoutFile;
    EXPECT_EQ(contradiction.text, BoxRoad::ApiErrorOf([&] { operation(L"601", informer_.get()); }));
}

INSTANTIATE_TEST_SUITE_P(Locks, Contradictions, ::testing::ValuesIn(kContradictions), BoxRoad::CaseName());

} // namespace
