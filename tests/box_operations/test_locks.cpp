// Lock states as Box reports them, another user's lock, and replies that contradict the request.
#include "OperationsFixture.h"

#include "BoxExceptions.h"
#include "BoxLocks.h"
#include "LSHttpError.h"

using namespace BoxOperations;

namespace {

constexpr char kOthersLock[] = R"({"expires_at": null, "created_by": {"id": "999", "name": "O", "login": "o@x.com"}})";

class Locks : public OperationsTest {
protected:
    // A file "601" in the root with the given lock (JSON text).
    void SeedFile(const std::string& lockJson) const
    {
        Seed(R"({"files": [{"name": "doc.docx", "id": "601", "content_text": "d", "lock": )" + lockJson + "}]}");
    }
};

struct LockStateCase {
    const char* name;
    const char* lock;
    bool checkedOut;
};

const LockStateCase kLockStates[] = {
    {"OwnLockExpired", R"({"expires_at": "2020-01-01T00:00:00-08:00"})", false},
    {"AnotherUsersLock", kOthersLock, true},
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
    SeedFile(kOthersLock);
    for (const auto& operation : {Box_20::CheckoutFile, Box_20::CancelCheckoutFile})
        EXPECT_EQ(403, BoxRoad::HttpStatusOf([&] { operation(L"601", informer_.get()); }));
    EXPECT_EQ("999", standIn_.Item("file", "601")["lock"]["created_by"]["id"].asString());
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
