// 429 and 503 are retried after Retry-After or a back-off, five attempts at most, each wait stoppable.
#include "BstrText.h"
#include "WebServiceTestSupport.h"

using namespace WebServiceTest;

namespace {

class ServerUnavailableRetry : public StandInTest {
protected:
    CStdStr<wchar_t> FetchWithRetry(const std::string& path)
    {
        return CLSBaseWS::RetryWhileServerUnavailable(
            [&] { return BstrText(Send(L"GET", path)->GetResponseText()); }, informer.get());
    }

    // `times` answers of the status, then "done".
    void ScriptFailures(const std::string& path, int status, int times, const std::string& headers = "{}")
    {
        Script("GET", path, ParseJson(R"({"status": )" + std::to_string(status) + R"(, "times": )" +
                                      std::to_string(times) + R"(, "headers": )" + headers + "}"));
        Script("GET", path, ParseJson(R"({"status": 200, "text": "done"})"));
    }

    size_t Sends(const std::string& path) { return standIn.JournalEntries(0, path).size(); }
};

} // namespace

TEST_F(ServerUnavailableRetry, WaitsTheServersRetryAfterOrBacksOffThenSucceeds)
{
    const struct {
        std::string path;
        int status, failures;
        const char* headers;
        std::chrono::milliseconds leastWait;
    } cases[] = {{"/test/throttled", 429, 2, R"({"Retry-After": "1"})", std::chrono::milliseconds(1900)},
                 {"/test/unavailable", 503, 1, "{}", std::chrono::milliseconds(900)}};
    for (const auto& c : cases) {
        ScriptFailures(c.path, c.status, c.failures, c.headers);
        const auto started = std::chrono::steady_clock::now();
        EXPECT_EQ(FetchWithRetry(c.path), L"done");
        EXPECT_GE(std::chrono::steady_clock::now() - started, c.leastWait) << c.path;
        EXPECT_EQ(Sends(c.path), static_cast<size_t>(c.failures + 1));
    }
}

TEST_F(ServerUnavailableRetry, GivesUpWithTheLastErrorAfterFiveAttemptsOtherStatusesAndTimerInformersPassAtOnce)
{
    ScriptFailures("/test/down", 503, 5, R"({"Retry-After": "1"})");
    const LSHttpError error = ThrownHttpError([this] { FetchWithRetry("/test/down"); });
    EXPECT_EQ(error.GetStatus(), 503);
    EXPECT_EQ(error.GetRetryAfterSeconds(), 1);
    EXPECT_EQ(Sends("/test/down"), 5u);

    ScriptFailures("/test/missing", 404, 1);
    EXPECT_EQ(ThrownHttpError([this] { FetchWithRetry("/test/missing"); }).GetStatus(), 404);
    EXPECT_EQ(Sends("/test/missing"), 1u);

    // An informer on the host's timer is never waited on.
    informer->SetOnTimer(true);
    ScriptFailures("/test/timer", 429, 1, R"({"Retry-After": "1"})");
    EXPECT_EQ(ThrownHttpError([this] { FetchWithRetry("/test/timer"); }).GetStatus(), 429);
    EXPECT_EQ(Sends("/test/timer"), 1u);
}

TEST_F(ServerUnavailableRetry, AStopDuringALongRetryAfterEndsWithEAbort)
{
    // An hour's Retry-After is waited as a minute at most, and a stop ends even that.
    ScriptFailures("/test/later", 503, 1, R"({"Retry-After": "3600"})");
    const auto started = std::chrono::steady_clock::now();
    {
        // Once the 503 has gone out, a few more questions to the informer mean the wait is on.
        long askedWhenAnswered = -1;
        const ActWhen stopper = StopWhen([this, &askedWhenAnswered] {
            if (askedWhenAnswered < 0) {
                const Json::Value sent = standIn.JournalEntries(0, "/test/later");
                if (sent.size() == 1 && !sent[0]["status"].isNull())
                    askedWhenAnswered = informer->StopQueries();
                return false;
            }
            return informer->StopQueries() >= askedWhenAnswered + 3;
        });
        EXPECT_EQ(ThrownHresult([this] { FetchWithRetry("/test/later"); }), E_ABORT);
    }
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(30));
    EXPECT_EQ(Sends("/test/later"), 1u);
}
