// Lock states as Box reports them, another user's lock, and replies that contradict the request.
#include "OperationsFixture.h"

#include "BoxExceptions.h"
#include "BoxLocks.h"
#include "LSHttpError.h"

using namespace BoxOperations;

namespace {

#define OTHER_USER R"("created_by": {"id": "999", "name": "O", "login": "o@x.com"})"

class Locks : public OperationsTest {
protected:
    // A file in the root with the given lock (JSON text).
    void SeedFile(const std::string& id, const std::string& lockJson) const
    {
        Seed(R"({"files": [{"name": "doc)" + id + R"(.docx", "id": ")" + id + R"(", "content_text": "d", "lock": )" +
             lockJson + "}]}");
    }
};

TEST_F(Locks, StatesAsBoxReportsThemAndAnotherUsersLockRefusesCheckoutAndCancel)
{
    SeedFile("601", R"({"expires_at": "2020-01-01T00:00:00-08:00"})");
    SeedFile("602", R"({"expires_at": null, )" OTHER_USER "}");
    SeedFile("603", R"({"expires_at": "2020-01-01T00:00:00Z", )" OTHER_USER "}");
    EXPECT_FALSE(Box_20::IsFileCheckedOut(L"601", informer_.get())) << "own lock expired";
    EXPECT_TRUE(Box_20::IsFileCheckedOut(L"602", informer_.get())) << "another user's lock";
    EXPECT_FALSE(Box_20::IsFileCheckedOut(L"603", informer_.get())) << "another user's expired lock";

    for (const auto& operation : {Box_20::CheckoutFile, Box_20::CancelCheckoutFile})
        EXPECT_EQ(403, BoxRoad::HttpStatusOf([&] { operation(L"602", informer_.get()); }));
    EXPECT_EQ("999", standIn_.Item("file", "602")["lock"]["created_by"]["id"].asString());
}

#undef OTHER_USER

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
