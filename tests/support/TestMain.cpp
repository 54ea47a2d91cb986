// Test programs run on a single-threaded apartment, as the host calls the filter.
#include "BoxStandIn.h"

#include <gtest/gtest.h>
#include <objbase.h>

#include <cstdio>
#include <memory>
#include <optional>

namespace {

// A crash on any thread, also at a thread's end after its test passed, fails the program: Wine's
// debugger would end it with exit code 0.
LONG WINAPI EndOnCrash(EXCEPTION_POINTERS* crash)
{
    std::fprintf(stderr, "unhandled exception 0x%08lx\n", crash->ExceptionRecord->ExceptionCode);
    ::TerminateProcess(::GetCurrentProcess(), 3);
    return EXCEPTION_EXECUTE_HANDLER;
}

// A case that gives up a request the stand-in holds must not find it landing in the next case:
// when a case ends, what the stand-in still holds ends unanswered, and what it still handles
// finishes, before the next case begins.
class SettleStandInAfterEachCase : public ::testing::EmptyTestEventListener {
public:
    explicit SettleStandInAfterEachCase(TestSupport::BoxStandIn standIn) : m_standIn(std::move(standIn)) {}

    void OnTestEnd(const ::testing::TestInfo&) override
    {
        try {
            const Json::Value settled = m_standIn.Settle();
            EXPECT_EQ(0, settled["still_in_flight"].asInt())
                << "requests of this case were still being handled after the stand-in's wait";
        } catch (const std::exception& error) {
            ADD_FAILURE() << error.what();
        }
    }

private:
    TestSupport::BoxStandIn m_standIn;
};

} // namespace

int main(int argc, char** argv)
{
    ::SetUnhandledExceptionFilter(EndOnCrash);
    ::testing::InitGoogleTest(&argc, argv);
    if (std::optional<TestSupport::BoxStandIn> standIn = TestSupport::BoxStandIn::IfLaunched()) {
        // The listener list owns its listeners.
        ::testing::UnitTest::GetInstance()->listeners().Append(
            std::make_unique<SettleStandInAfterEachCase>(std::move(*standIn)).release());
    }
    if (FAILED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)))
        return 2;
    const int result = RUN_ALL_TESTS();
    ::CoUninitialize();
    return result;
}
