// Check-out and cancelled check-out against the stand-in's lock state.
#include "OperationsFixture.h"

#include "BoxExceptions.h"
#include "BoxLocks.h"
#include "LSHttpError.h"

using namespace BoxOperations;

namespace {

constexpr char kLockRoute[] = "PUT /2.0/files/{file_id}";

class Locks : public OperationsTest {
protected:
    // A file "601" in the root with the given lock (JSON text, "null" for none).
    void SeedFile(const std::string& lockJson) const
    {
        Seed(R"({"files": [{"name": "doc.docx", "id": "601", "content_text": "d", "lock": )" + lockJson + "}]}");
    }
    Json::Value StoredLock() const { return standIn_.Item("file", "601")["lock"]; }
};

TEST_F(Locks, CheckoutLocksAndCancelUnlocks)
{
    SeedFile("null");

    Box_20::CheckoutFile(L"601", informer_.get());
    EXPECT_TRUE(StoredLock()["is_download_prevented"].asBool());
    EXPECT_TRUE(Box_20::IsFileCheckedOut(L"601", informer_.get()));

    Box_20::CancelCheckoutFile(L"601", informer_.get());
    EXPECT_TRUE(StoredLock().isNull());
    EXPECT_FALSE(Box_20::IsFileCheckedOut(L"601", informer_.get()));

    const Json::Value puts = Journal(kLockRoute);
    ASSERT_EQ(2u, puts.size());
    EXPECT_EQ("fields=lock", puts[1]["query"].asString());
    EXPECT_EQ("{\"lock\":null}\n", Body(puts[1]));
}

struct LockStateCase {
    const char* name;
    const char* lock;
    bool checkedOut;
};

const LockStateCase kLockStates[] = {
    {"OwnLockExpired", R"({"expires_at": "2020-01-01T00:00:00-08:00"})", false},
    {"AnotherUsersLock", R"({"expires_at": null, "created_by": {"id": "999", "name": "O", "login": "o@x.com"}})",
     true},
    {"AnotherUsersExpiredLock",
     R"({"expires_at": "2020-01-01T00:00:00Z", "created_by": {"id": "999", "name": "O", "login": "o@x.com"}})", false},
};

class LockStates : public Locks, public ::testing::WithParamInterface<LockStateCase> {};

TEST_P(LockStates, TellWhetherTheFileIsCheckedOut)
{
    SeedFile(GetParam().lock);
    EXPECT_EQ(GetParam().checkedOut, Box_20::IsFileCheckedOut(L"601", informer_.get()));
}

INSTANTIATE_TEST_SUITE_P(Locks, LockStates, ::testing::ValuesIn(kLockStates), BoxRoad::CaseName());

TEST_F(Locks, AnotherUsersLockRefusesCheckoutAndCancel)
{
    SeedFile(R"({"expires_at": null, "created_by": {"id": "999", "name": "O", "login": "o@x.com"}})");

    for (const auto& operation : {Box_20::CheckoutFile, Box_20::CancelCheckoutFile})
        EXPECT_EQ(403, BoxRoad::HttpStatusOf([&] { operation(L"601", informer_.get()); }));
    EXPECT_EQ("999", StoredLock()["created_by"]["id"].asString());
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

class Contradictions : public Locks, public ::testing::WithParamInterface<ContradictionCase> {};

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
