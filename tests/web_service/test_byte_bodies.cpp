// Byte bodies through the factory's request, as uploads send them: every byte and header reaches
// the server in order on every send, the caller's window messages go on being dispatched while the
// send waits, a broken reply fails, and a stop ends the send (also when the connection drops at
// the same moment). What a send costs in memory is the upload benchmark's to measure.
#include "BstrText.h"
#include "ComOwners.h"
#include "LSBaseJsonWS.h"
#include "UniqueResource.h"
#include "WebServiceTestSupport.h"

#include <atomic>
#include <chrono>
#include <cstring>
#include <functional>
#include <new>
#include <stdexcept>
#include <thread>

using namespace WebServiceTest;

namespace {

constexpr size_t kBodySize = 4 * 1024 * 1024;
constexpr int kSends = 3;

std::string PatternBytes(size_t size)
{
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>((31 * i + (i >> 16)) & 0xFF);
    return bytes;
}

// A new array for every send, as each upload part gets.
_variant_t ByteBody(const std::string& bytes)
{
    TalvernCommon::unique_safearray array(::SafeArrayCreateVector(VT_UI1, 0, static_cast<ULONG>(bytes.size())));
    if (!array)
        throw std::bad_alloc();
    std::memcpy(array.get()->pvData, bytes.data(), bytes.size());
    VARIANT body;
    ::VariantInit(&body);
    body.vt = VT_ARRAY | VT_UI1;
    body.parray = array.release();
    return _variant_t(body, false);
}

constexpr UINT kWitnessedMessage = WM_APP + 7;

// A message-only window of the test's thread, as the host's own windows are, that notes whether a
// message reached it while a send was under way.
class MessageWitness {
public:
    MessageWitness()
    {
        static const ATOM windowClass = [] {
            WNDCLASSEXW description = {};
            description.cbSize = sizeof(description);
            description.lpfnWndProc = WindowProcedure;
            description.hInstance = ::GetModuleHandleW(nullptr);
            description.lpszClassName = L"VESKWebServiceTestsMessageWitness";
            return ::RegisterClassExW(&description);
        }();
        m_window.reset(::CreateWindowExW(0, MAKEINTATOM(windowClass), L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                         ::GetModuleHandleW(nullptr), nullptr));
        if (!m_window)
            throw std::runtime_error("cannot create a message-only window");
        ::SetWindowLongPtrW(m_window.get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }

    HWND Window() const { return m_window.get(); }

    bool sending = false;
    bool seenWhileSending = false;
    int seen = 0;

private:
    static LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        auto* witness = reinterpret_cast<MessageWitness*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
        if (message != kWitnessedMessage || witness == nullptr)
            return ::DefWindowProcW(window, message, wParam, lParam);
        ++witness->seen;
        witness->seenWhileSending = witness->seenWhileSending || witness->sending;
        return 0;
    }

    TalvernCommon::unique_hwnd m_window;
};

// Posts the message to the window from its own thread once the condition holds.
class PostWhen {
public:
    PostWhen(std::function<bool()> condition, HWND window, UINT message)
        : m_thread([this, condition = std::move(condition), window, message] {
              while (!m_quit) {
                  if (condition()) {
                      ::PostMessageW(window, message, 0, 0);
                      return;
                  }
                  std::this_thread::sleep_for(std::chrono::milliseconds(5));
              }
          })
    {
    }
    PostWhen(const PostWhen&) = delete;
    PostWhen& operator=(const PostWhen&) = delete;
    ~PostWhen()
    {
        m_quit = true;
        m_thread.join();
    }

private:
    std::atomic<bool> m_quit{false};
    std::thread m_thread;
};

Json::Value AcceptedPut(const std::string& path)
{
    Json::Value accepted;
    accepted["method"] = "PUT";
    accepted["path"] = path;
    accepted["status"] = 200;
    accepted["json"]["ok"] = true;
    return accepted;
}

// The stand-in reads the request and closes the connection unanswered.
Json::Value DroppedPut(const std::string& path)
{
    Json::Value dropped;
    dropped["method"] = "PUT";
    dropped["path"] = path;
    dropped["action"] = "close";
    // WinINet sends once more on a new connection when a kept-alive one closes unanswered.
    dropped["times"] = 3;
    return dropped;
}

class ByteBodies : public StandInTest {
protected:
    // A PUT with the headers of a session part, sent as the Box client sends it.
    std::unique_ptr<ILSHttpRequest> SendPart(const std::string& path, const _variant_t& body)
    {
        std::unique_ptr<ILSHttpRequest> request = Open(L"PUT", Url(path));
        request->SetRequestHeader(L"Content-Range", L"bytes 0-4194303/4194304");
        request->SetRequestHeader(L"Content-Type", L"application/octet-stream");
        request->SetRequestHeader(L"digest", L"sha=unchecked");
        CLSBaseWS::PerformAsyncVariantSend(request, Url(path), body, informer.get());
        return request;
    }
};

} // namespace

TEST_F(ByteBodies, RepeatedSendsArriveWhole)
{
    Json::Value accepted = AcceptedPut("/test/part");
    accepted["json"]["part"]["size"] = static_cast<Json::UInt64>(kBodySize);
    accepted["times"] = kSends;
    standIn.AddFault(accepted);
    const std::string bytes = PatternBytes(kBodySize);
    const int since = standIn.JournalNext();
    for (int i = 0; i < kSends; ++i) {
        const auto request = SendPart("/test/part?session=7", ByteBody(bytes));
        EXPECT_EQ(request->GetStatus(), 200);
        EXPECT_EQ(CLSBaseJsonWS::ParseJsonResponse(CLSBaseJsonWS::ReplyBytes(*request))["part"]
                      ["size"].asUInt64(),
                  kBodySize);
    }
    const Json::Value entries = standIn.JournalEntries(since, "/test/part");
    ASSERT_EQ(entries.size(), static_cast<unsigned>(kSends));
    for (const Json::Value& entry : entries) {
        EXPECT_EQ(entry["body_size"].asUInt64(), kBodySize);
        EXPECT_EQ(entry["body_sha1"].asString(), Sha1HexOfBytes(bytes));
        EXPECT_EQ(entry["query"].asString(), "session=7");
        EXPECT_TRUE(HeadersInOrder(entry, {"Content-Range", "Content-Type", "digest", "User-Agent"}));
    }
}

TEST_F(ByteBodies, AStopDuringTheSendEndsItWithEAbort)
{
    ScriptHang("PUT", "/test/hang");
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(ThrownWhenStoppedWhileWaiting([this] { SendPart("/test/hang", ByteBody(PatternBytes(kBodySize))); }),
              E_ABORT);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(30));
    const Json::Value entries = standIn.JournalEntries(0, "/test/hang");
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0]["body_size"].asUInt64(), kBodySize);
}

TEST_F(ByteBodies, TheCallersMessagesAreDispatchedWhileAnUploadWaits)
{
    Json::Value held = AcceptedPut("/test/held");
    held["delay_ms"] = 2000;
    standIn.AddFault(held);
    MessageWitness witness;
    witness.sending = true;
    std::unique_ptr<ILSHttpRequest> request;
    {
        // Posted once the send is waiting (the wait keeps asking the informer), as the host's
        // messages arrive while its thread is in the filter.
        const PostWhen poster([this] { return informer->StopQueries() >= 2; }, witness.Window(), kWitnessedMessage);
        request = SendPart("/test/held", ByteBody(PatternBytes(kBodySize)));
    }
    witness.sending = false;
    EXPECT_EQ(request->GetStatus(), 200);
    EXPECT_TRUE(witness.seenWhileSending) << "the message was dispatched " << witness.seen
                                          << " times during the send";
}

TEST_F(ByteBodies, ABrokenReplyFailsTheSend)
{
    Json::Value cut = AcceptedPut("/test/cut");
    cut["json"]["entries"] = std::string(5000, 'x');
    cut["truncate_at"] = 100;
    standIn.AddFault(cut);
    standIn.AddFault(DroppedPut("/test/drop"));
    const struct {
        std::string path;
        HRESULT expected;
    } cases[] = {
        {"/test/cut", HRESULT_FROM_WIN32(ERROR_INTERNET_CONNECTION_RESET)},
        {"/test/drop", HRESULT_FROM_WIN32(ERROR_HTTP_INVALID_SERVER_RESPONSE)},
    };
    for (const auto& [path, expected] : cases) {
        const std::unique_ptr<ILSHttpRequest> request = Open(L"PUT", Url(path));
        EXPECT_EQ(request->Send(ByteBody(PatternBytes(kBodySize)), LSCancelCheck()), expected) << path;
    }
}

TEST_F(ByteBodies, AStopThatMeetsADroppedConnectionEndsTheSendWithEAbort)
{
    standIn.AddFault(DroppedPut("/test/drop"));
    const std::unique_ptr<ILSHttpRequest> request = Open(L"PUT", Url("/test/drop"));
    EXPECT_EQ(request->Send(ByteBody(PatternBytes(kBodySize)), StopOnceScriptedAnswerBegins("/test/drop")), E_ABORT);
}
