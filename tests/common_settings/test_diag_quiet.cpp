// Logging with error lines off and diagnostics limited to verbosity 0: only the switched-on kinds
// of line reach the file, and the default pruning age (three days) applies.
#include "DiagTestSupport.h"

#include "HResultException.h"
#include "LSDiag.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace DiagTest;

constexpr int kDefaultPruneMinutes = 4320;
std::wstring g_justTooOld;
std::wstring g_justYoungEnough;

class ErrorsOff : public testing::Environment {
public:
    void SetUp() override
    {
        g_justTooOld = OldFile(L"VESK-BoxSync-20200101-000000-1.log", kDefaultPruneMinutes + 5);
        g_justYoungEnough = OldFile(L"VESK-BoxSync-20200101-000000-2.log", kDefaultPruneMinutes - 5);
        InitializeWith({{L"VESK.Log.Error", 0},
                        {L"VESK.Log.Diag", 1},
                        {L"VESK.Log.LimitDiagDefault", 0},
                        {L"VESK.Log.WebServiceReq", 1}},
                       {});
    }
};

const auto* const g_environment = testing::AddGlobalTestEnvironment(new ErrorsOff);

TEST(QuietLogging, OnlySwitchedOnLinesAreWrittenAndTheDefaultPruningAgeApplies)
{
    EXPECT_FALSE(Exists(g_justTooOld));
    EXPECT_TRUE(Exists(g_justYoungEnough));

    HRESULT hr = S_OK;
    try {
        throw hresult_exception(E_ACCESSDENIED, "quiet failure");
    } catch (...) {
        hr = LSDiag::HandleInterfaceException("Test::Quiet", __FILE__, __LINE__);
    }
    EXPECT_EQ(hr, E_ACCESSDENIED) << "the catch-all still fails without an error line";
    LOG(ERROR) << "dropped error line";
    VLOG(1) << "diagnostic at 1";
    LS_DIAG_LOG(1) << "diagnostic warning at 1";
    LOG(WARNING) << "kept warning line";
    LOG(INFO) << "kept info line";

    const std::string log = ReadOwnLog();
    for (const char* dropped : {"quiet failure", "dropped error line", "diagnostic at 1", "diagnostic warning at 1"})
        EXPECT_EQ(log.find(dropped), std::string::npos) << dropped;
    EXPECT_NE(log.find("kept warning line"), std::string::npos);
    EXPECT_NE(log.find("kept info line"), std::string::npos);
}

} // namespace
