// Two-way sync pass by pass: what moves each way, conflicts, and faults that never cost a document.
#include "BoxStandIn.h"
#include "FilterHost.h"
#include "JsonText.h"
#include "RegistrySandbox.h"
#include "StandInJournal.h"
#include "SyncDriver.h"
#include "Utf8Converter.h"

#include <gtest/gtest.h>

#include <ctime>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <thread>

namespace {

namespace fs = std::filesystem;
using SyncDriver::PassSummary;
using TestSupport::BoxStandIn;

constexpr char kProjects[] = "/Projects/";

class TwoWaySync : public testing::Test {
protected:
    static void SetUpTestSuite() { host_ = std::make_unique<SyncDriver::FilterHost>(standIn_.BaseUrlWide()); }
    static void TearDownTestSuite() { host_.reset(); }

    void SetUp() override
    {
        standIn_.Reset();
        // The DLL keeps the token pair in memory for the life of the process, out of a reset's reach
        // (a refresh in an earlier case rotated it): the fresh account takes the pair the filter holds.
        Json::Value tokens;
        tokens["access_token"] = StoredSetting(L"BoxSync.AccessToken");
        tokens["refresh_token"] = StoredSetting(L"BoxSync.RefreshToken");
        standIn_.Post("tokens", tokens);
        std::stringstream text;
        text << std::ifstream(SAMPLE_TREE_JSON).rdbuf();
        standIn_.Post("seed", TestSupport::ParseJson(text.str(), "sample tree"));
        root_ = fs::temp_directory_path() / ("two-way-sync-" + std::to_string(::GetCurrentProcessId()));
        fs::remove_all(root_);
        fs::create_directories(root_);
    }
    void TearDown() override { fs::remove_all(root_); }

    static std::string StoredSetting(const wchar_t* name)
    {
        const auto stored = RegistrySandbox::ReadString(SettingsSource::User, name);
        return WideToUtf8Lossy(stored ? stored->second : L"");
    }

    // One pass with a filter created afresh, as each sync run of the host does.
    PassSummary Pass()
    {
        log_.str({});
        SyncDriver::Driver driver(host_->CreateFilter().get(), log_);
        const PassSummary summary = driver.RunPass(root_.wstring(), state_);
        SCOPED_TRACE(log_.str());
        return summary;
    }
    // A pass whose requests hang until the host asks the filter to stop: the stop comes once the
    // filter waits on a hanging request (or after 10 s if it never does).
    PassSummary PassCancelled()
    {
        standIn_.AddFault(TestSupport::ParseJson(
            R"({"method": "*", "path": "/*", "replies": [{"action": "hang", "hang_ms": 60000, "times": 1000}]})"));
        SyncDriver::Driver driver(host_->CreateFilter().get(), log_);
        std::thread stopper([&driver] {
            for (int tries = 0; tries < 1000 && driver.Informer().StopQueries() == 0; ++tries)
                ::Sleep(10);
            driver.Informer().RequestStop();
        });
        const PassSummary summary = driver.RunPass(root_.wstring(), state_);
        stopper.join();
        standIn_.ClearFaults();
        return summary;
    }

    std::string Local(const std::string& path) const
    {
        std::ifstream file(root_ / fs::u8path(path), std::ios::binary);
        std::stringstream text;
        text << file.rdbuf();
        return file ? text.str() : "<missing>";
    }
    // An edit within the clock tick of the last pass: a file that existed keeps its time.
    void WriteLocal(const std::string& path, const std::string& text) const
    {
        const fs::path file = root_ / fs::u8path(path);
        std::error_code noFile;
        const auto time = fs::last_write_time(file, noFile);
        std::ofstream(file, std::ios::binary | std::ios::trunc) << text;
        if (!noFile)
            fs::last_write_time(file, time);
    }
    Json::Value Box(const std::string& path) const
    {
        const std::string full = path.empty() ? "/Projects" : kProjects + path;
        return standIn_.Get("item?path=" + full + "&content=1");
    }
    std::string BoxText(const std::string& path) const
    {
        Json::Value asJournaled;
        asJournaled["body_base64"] = Box(path)["content_base64"];
        return TestSupport::JournalBody(asJournaled);
    }
    // A new version made on Box a little after the last pass: Box dates have whole seconds.
    void ChangeOnBox(const std::string& fileId, const std::string& text) const
    {
        const std::time_t later = std::time(nullptr) + 2;
        char stamp[32] = {};
        std::strftime(stamp, sizeof(stamp), "%Y-%m-%dT%H:%M:%SZ", std::gmtime(&later));
        Json::Value change = TestSupport::ParseJson(R"({"type": "file"})");
        change["id"] = fileId;
        change["content_text"] = text;
        change["modified_at"] = change["content_modified_at"] = stamp;
        standIn_.Post("item", change);
    }
    bool BoxHas(const std::string& path) const
    {
        try {
            Box(path);
            return true;
        } catch (const std::exception&) {
            return false;
        }
    }
    // Requests since `since` that moved content or changed something on Box.
    int Transfers(int since) const
    {
        int count = 0;
        for (const Json::Value& entry : standIn_.JournalEntries(since)) {
            const std::string path = entry["path"].asString();
            const bool download = path.size() > 8 && path.compare(path.size() - 8, 8, "/content") == 0;
            count += (entry["method"].asString() != "GET" || download) ? 1 : 0;
        }
        return count;
    }

    static inline BoxStandIn standIn_ = BoxStandIn::FromEnvironment();
    static inline std::unique_ptr<SyncDriver::FilterHost> host_;
    fs::path root_;
    SyncDriver::LocalFolder state_ = SyncDriver::NewMainFolder(L"5001");
    std::ostringstream log_;
};

TEST_F(TwoWaySync, FirstPassMirrorsTheTreeASecondOnlyListsAndAThirdMovesChangesEachWay)
{
    const PassSummary first = Pass();
    EXPECT_EQ(first.downloaded, 5) << log_.str();
    EXPECT_EQ(first.issues, 0) << log_.str();
    EXPECT_EQ(Local("plan.txt"), "Plan: ship the filter.\n");
    EXPECT_EQ(Local("Minutes/2026-11.txt"), "Minutes of November.\n");
    EXPECT_EQ(Local("contract.txt"), "Terms under review.\n");
    EXPECT_EQ(state_.items.at(L"kickoff.msg").props->Text(L"Quentra.FromServerFileId"), L"7003");

    const int since = standIn_.JournalNext();
    const PassSummary second = Pass();
    EXPECT_EQ(second.downloaded + second.uploaded + second.deletedLocally + second.deletedOnBox, 0) << log_.str();
    EXPECT_EQ(Transfers(since), 0);

    // Changes travel each way, and a conflict overwrites neither side.
    ChangeOnBox("7001", "Plan B.\n");
    WriteLocal("budget.csv", "item,amount\nservers,900\n");
    ChangeOnBox("7005", "Box minutes.\n");
    WriteLocal("Minutes/2026-11.txt", "Minutes of December.\n"); // same size

    const PassSummary summary = Pass();
    EXPECT_EQ(Local("plan.txt"), "Plan B.\n") << log_.str();
    EXPECT_EQ(BoxText("budget.csv"), "item,amount\nservers,900\n");
    EXPECT_EQ(Box("budget.csv")["version_number"].asString(), "2");
    EXPECT_EQ(Local("Minutes/2026-11.txt"), "Minutes of December.\n");
    EXPECT_EQ(BoxText("Minutes/2026-11.txt"), "Box minutes.\n");
    EXPECT_EQ(state_.folders.at(L"Minutes").items.at(L"2026-11.txt").props->Text(L"Quentra.SyncIssueType"),
              L"CONFLICT");
    EXPECT_GE(summary.issues, 1);
}

TEST_F(TwoWaySync, RenamesDeletesAndNewFoldersReachTheOtherSide)
{
    Pass();
    SyncDriver::Driver::RenameLocal(root_.wstring(), state_, L"budget.csv", L"budget-2027.csv");
    fs::remove(root_ / "plan.txt");
    standIn_.Post("item", TestSupport::ParseJson(R"({"type": "file", "id": "7005", "name": "2026-11-final.txt"})"));
    standIn_.Post("item/delete", TestSupport::ParseJson(R"({"type": "file", "id": "7003"})"));
    fs::create_directories(root_ / "Drafts");
    WriteLocal("Drafts/idea.txt", "An idea.\n");

    const PassSummary summary = Pass();
    EXPECT_EQ(summary.issues, 0) << log_.str();
    EXPECT_TRUE(BoxHas("budget-2027.csv"));
    EXPECT_EQ(Box("budget-2027.csv")["id"].asString(), "7002");
    EXPECT_FALSE(BoxHas("plan.txt"));
    EXPECT_EQ(Local("Minutes/2026-11-final.txt"), "Minutes of November.\n");
    EXPECT_EQ(Local("kickoff.msg"), "<missing>");
    EXPECT_EQ(BoxText("Drafts/idea.txt"), "An idea.\n");
}

// Each fault hits one pass; the next pass without faults must leave both sides whole and equal.
TEST_F(TwoWaySync, APassCutShortByFaultsConvergesOnTheNext)
{
    Pass();
    WriteLocal("budget.csv", "item,amount\nservers,700\n");
    WriteLocal("notes.txt", "New notes.\n");
    ChangeOnBox("7001", "Plan C.\n");

    const char* faults[] = {
        R"({"method": "*", "path": "/2.0/files/*", "replies": [{"status": 500, "times": 8}]})",
        R"({"method": "*", "path": "/api/2.0/files/*", "replies": [{"status": 429, "headers": {"Retry-After": "1"}}]})",
        R"({"method": "GET", "path": "/2.0/folders/*", "replies": [{"status": 401}]})",
        R"({"method": "*", "path": "/api/2.0/files/*", "replies": [{"action": "close"}]})",
        R"({"method": "GET", "path": "/2.0/files/*/content", "replies": [{"status": 200, "truncate_at": 3}]})",
    };
    for (const char* fault : faults) {
        standIn_.AddFault(TestSupport::ParseJson(fault));
        Pass();
        standIn_.ClearFaults();
    }
    EXPECT_GT(PassCancelled().issues, 0);

    const PassSummary settled = Pass();
    EXPECT_EQ(settled.issues, 0) << log_.str();
    EXPECT_EQ(Local("plan.txt"), "Plan C.\n");
    EXPECT_EQ(BoxText("budget.csv"), "item,amount\nservers,700\n");
    EXPECT_EQ(BoxText("notes.txt"), "New notes.\n");
    EXPECT_EQ(Box("")["children"].size(), 6u); // nothing duplicated on Box
    EXPECT_EQ(state_.items.at(L"budget.csv").props->Text(L"Quentra.FromServerFileId"), L"7002");
    EXPECT_EQ(state_.items.at(L"plan.txt").props->Text(L"Quentra.FromServerFileId"), L"7001");
}

} // namespace
