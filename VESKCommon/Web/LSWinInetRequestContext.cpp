#include "LSWinInet.h"

#include "HResultException.h"
#include "LSCancellableWait.h"
#include "LSComModule.h"
#include "LSDiag.h"
#include "LSHttpMessageParts.h"
#include "LSUserAgent.h"

#include <algorithm>
#include <atomic>
#include <cwchar>
#include <functional>
#include <utility>
#include <vector>

namespace {

// Each read call costs much under this platform: large blocks make a download as fast as curl.
constexpr DWORD kReadBlockSize = 1024 * 1024;
// A larger body goes out in blocks of this size, each a step of its own: a slow uplink fails only
// when it stops moving, and a stop is seen between blocks.
constexpr DWORD kSendBlockSize = 1024 * 1024;

// A small reply gets a buffer of its own size: a whole block for each of many small documents is
// memory the platform maps and unmaps for every request.
DWORD ReadBufferSize(std::optional<uint64_t> declaredLength)
{
    constexpr DWORD kSmallestBuffer = 4096;
    if (!declaredLength)
        return kReadBlockSize;
    return static_cast<DWORD>(std::clamp<uint64_t>(*declaredLength, kSmallestBuffer, kReadBlockSize));
}

// The session of the last request that ended in order, for the next one to take: opening and
// closing one costs each small document about half a millisecond under this platform. At most one
// waits, until the process ends.
std::atomic<HINTERNET> g_idleSession{nullptr};

TalvernCommon::unique_hinternet TakeIdleSession()
{
    return TalvernCommon::unique_hinternet(g_idleSession.exchange(nullptr));
}

void KeepIdleSession(TalvernCommon::unique_hinternet session)
{
    HINTERNET none = nullptr;
    if (session && g_idleSession.compare_exchange_strong(none, session.get()))
        session.release();
}

TalvernCommon::unique_handle CreateManualResetEvent()
{
    TalvernCommon::unique_handle event(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!event)
        throw hresult_exception(HRESULT_FROM_WIN32(::GetLastError()), "Cannot create a WinINet event");
    return event;
}

[[noreturn]] void ThrowWinInetError(DWORD error, const std::string& what)
{
    throw hresult_exception(HRESULT_FROM_WIN32(error != ERROR_SUCCESS ? error : ERROR_INTERNET_INTERNAL_ERROR),
                            what + " (WinINet error " + std::to_string(error) + ")");
}

// The rest of a body given up halfway goes out as filler (see CloseRequest), which a server keeps
// from being stored only when it checks the body against a digest the request carries.
bool CarriesBodyDigest(std::wstring_view headerLines)
{
    return !FindHeaderLine(headerLines, L"Content-MD5").empty() || !FindHeaderLine(headerLines, L"Digest").empty();
}

// The handles of a request given up before its reply was read, closed child first, after
// finishBody (when set) ended a body given up halfway.
struct AbandonedHandles {
    std::function<void(HINTERNET)> finishBody;
    TalvernCommon::unique_hinternet session;
    TalvernCommon::unique_hinternet connection;
    TalvernCommon::unique_hinternet request;
};

void CALLBACK CloseAbandonedHandles(PTP_CALLBACK_INSTANCE, PVOID context) noexcept
{
    std::unique_ptr<AbandonedHandles> adopted(static_cast<AbandonedHandles*>(context));
    if (adopted->finishBody) {
        try {
            adopted->finishBody(adopted->request.get());
        } catch (...) {
            // Only the closing is left to do.
        }
    }
}

HMODULE ThisModule()
{
    HMODULE module = nullptr;
    ::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                         reinterpret_cast<LPCWSTR>(&CloseAbandonedHandles), &module);
    return module;
}

// Closing a request whose reply is still coming makes Wine's WinINet read the rest of the reply
// first, however large, and a body given up halfway is ended first. The closing goes to the
// system's thread pool, which keeps this module loaded until it is done, so that a stop returns at
// once; without a pool it happens here.
void CloseInBackground(std::unique_ptr<AbandonedHandles> handles)
{
    TP_CALLBACK_ENVIRON environment;
    ::InitializeThreadpoolEnvironment(&environment);
    ::SetThreadpoolCallbackLibrary(&environment, ThisModule());
    if (::TrySubmitThreadpoolCallback(CloseAbandonedHandles, handles.get(), &environment))
        handles.release();
    ::DestroyThreadpoolEnvironment(&environment);
    if (handles)
        CloseAbandonedHandles(nullptr, handles.release());
}

} // namespace

// What the status callback and a pending step touch, shared with WinINet: the request handle's
// context value holds one reference, which HANDLE_CLOSING drops. That notice always comes, once
// WinINet is done with the handle: a step given up while pending may still complete after the
// context is gone, and only ever reaches this state.
struct WinInetRequestContext::AsyncState {
    TalvernCommon::unique_handle stepComplete = CreateManualResetEvent();
    volatile LONG stepSucceeded = FALSE;
    volatile LONG stepError = ERROR_SUCCESS;
    // What WinINet reads or fills while a step is pending.
    std::wstring headerLines;
    LSHttpBodyBytes body;
    // Sized by the first read, to the reply's declared length.
    std::unique_ptr<char[]> buffer;
    DWORD bufferSize = 0;
    DWORD bytesRead = 0;
    // A stream body's current block.
    std::vector<char> sendBuffer;
    DWORD bytesWritten = 0;
};

void CALLBACK WinInetRequestContext::StatusCallback(HINTERNET, DWORD_PTR context, DWORD status, LPVOID info,
                                                    DWORD infoLength)
{
    // Runs on WinINet's threads, beneath frames that no C++ exception can cross.
    try {
        auto* held = reinterpret_cast<std::shared_ptr<AsyncState>*>(context);
        if (held == nullptr)
            return;
        AsyncState& state = **held;
        if (status == INTERNET_STATUS_REQUEST_COMPLETE) {
            const auto* result = static_cast<const INTERNET_ASYNC_RESULT*>(info);
            const bool valid = result != nullptr && infoLength >= sizeof(INTERNET_ASYNC_RESULT);
            ::InterlockedExchange(&state.stepError, valid ? static_cast<LONG>(result->dwError)
                                                          : static_cast<LONG>(ERROR_INTERNET_INTERNAL_ERROR));
            ::InterlockedExchange(&state.stepSucceeded, valid && result->dwResult != 0 ? TRUE : FALSE);
            ::SetEvent(state.stepComplete.get());
        } else if (status == INTERNET_STATUS_HANDLE_CLOSING) {
            // The last callback for the handle: WinINet's reference goes with it.
            std::unique_ptr<std::shared_ptr<AsyncState>> adopted(held);
        }
    } catch (...) {
    }
}

WinInetRequestContext::WinInetRequestContext(LSCancelCheck cancel, bool logResponses, DWORD stepTimeoutMs,
                                             LSWaitMessages messages, LSProgressNote progressed)
    : m_cancel(std::move(cancel)), m_progressed(std::move(progressed)), m_logResponses(logResponses),
      m_stepTimeout(stepTimeoutMs != 0 ? std::chrono::milliseconds(stepTimeoutMs) : kDefaultStepTimeout),
      m_waitMessages(messages), m_lastCancelCheck(std::chrono::steady_clock::now())
{
    OpenSession();
}

WinInetRequestContext::~WinInetRequestContext()
{
    CloseRequest();
    KeepIdleSession(std::move(m_session));
}

void WinInetRequestContext::OpenSession()
{
    m_session = TakeIdleSession();
    if (m_session)
        return;
    const CStdStr<wchar_t>& agent = SystemUserAgent();
    m_session.reset(::InternetOpenW(agent.empty() ? L"VESK" : agent.c_str(), INTERNET_OPEN_TYPE_PRECONFIG, nullptr,
                                    nullptr, INTERNET_FLAG_ASYNC));
    if (!m_session)
        ThrowWinInetError(::GetLastError(), "InternetOpen failed");
    // The callback runs on WinINet's threads until each request's last notice, whenever that
    // comes: no count kept by this module could tell COM when unloading it is safe.
    LSPinModuleForForeignThreads();
    if (::InternetSetStatusCallbackW(m_session.get(), StatusCallback) == INTERNET_INVALID_STATUS_CALLBACK)
        ThrowWinInetError(::GetLastError(), "InternetSetStatusCallback failed");
}

void WinInetRequestContext::CloseRequest()
{
    const CutBody cut{std::exchange(m_bodyLeft, 0), std::exchange(m_headSent, false), m_stepPending};
    // WinINet reads a stream's bytes from the send buffer, never from the stream, and the rest of a
    // body given up halfway goes out as filler: the body (the user's file) goes back to its owner
    // here, on the owner's thread, unless WinINet may still be reading a byte array in place.
    if (m_state && (!m_stepPending || m_state->body.IsStream()))
        m_state->body = LSHttpBodyBytes();
    if (!m_request || m_replyComplete) {
        m_request.reset();
        m_connection.reset();
        return;
    }
    // Closing a parent closes its children on the spot under Wine: the whole chain goes together.
    auto handles = std::make_unique<AbandonedHandles>();
    // Wine keeps the connection for the next request to the host even when it is still inside a
    // body; that request's bytes would become the rest of this one. The body is ended first.
    if (cut.bodyLeft > 0) {
        handles->finishBody = [state = m_state, cut, timeout = m_stepTimeout](HINTERNET request) {
            FinishCutBody(*state, cut, request, timeout);
        };
    }
    handles->request = std::move(m_request);
    handles->connection = std::move(m_connection);
    handles->session = std::move(m_session);
    CloseInBackground(std::move(handles));
}

void WinInetRequestContext::OpenRequest(std::wstring_view verb, std::wstring_view url, DWORD extraFlags)
{
    if (!m_session)
        OpenSession();
    m_url.assign(url);
    m_replyComplete = false;
    m_replyBytesRead = 0;
    m_stepPending = false;
    URL_COMPONENTSW parts = {};
    parts.dwStructSize = sizeof(parts);
    parts.dwHostNameLength = 1;
    parts.dwUrlPathLength = 1;
    parts.dwExtraInfoLength = 1;
    if (!::InternetCrackUrlW(m_url.c_str(), static_cast<DWORD>(m_url.size()), 0, &parts))
        ThrowWinInetError(::GetLastError(), "Cannot parse URL " + LSDiag::LogText(m_url));
    const std::wstring host(parts.lpszHostName, parts.dwHostNameLength);
    std::wstring target = std::wstring(parts.lpszUrlPath, parts.dwUrlPathLength) +
                          std::wstring(parts.lpszExtraInfo, parts.dwExtraInfoLength);
    if (target.empty())
        target = L"/";

    // The connection gets no context value: WinINet then sends it no callbacks.
    m_connection.reset(::InternetConnectW(m_session.get(), host.c_str(), parts.nPort, nullptr, nullptr,
                                          INTERNET_SERVICE_HTTP, 0, 0));
    if (!m_connection)
        ThrowWinInetError(::GetLastError(), "InternetConnect failed for " + LSDiag::LogText(m_url));

    DWORD flags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_PRAGMA_NOCACHE |
                  INTERNET_FLAG_NO_COOKIES | INTERNET_FLAG_NO_UI | INTERNET_FLAG_KEEP_CONNECTION | extraFlags;
    if (parts.nScheme == INTERNET_SCHEME_HTTPS)
        flags |= INTERNET_FLAG_SECURE;
    m_state = std::make_shared<AsyncState>();
    auto heldByWinInet = std::make_unique<std::shared_ptr<AsyncState>>(m_state);
    const std::wstring verbText(verb);
    m_request.reset(::HttpOpenRequestW(m_connection.get(), verbText.c_str(), target.c_str(), nullptr, nullptr,
                                       nullptr, flags, reinterpret_cast<DWORD_PTR>(heldByWinInet.get())));
    if (!m_request)
        ThrowWinInetError(::GetLastError(), "HttpOpenRequest failed for " + LSDiag::LogText(m_url));
    heldByWinInet.release();
    // Wine writes a body block synchronously: the socket's own limit is what ends a stalled one.
    // A request given up while it waits for a silent server frees its state only when WinINet's
    // own wait ends, which without a limit would be never.
    DWORD stepTimeoutMs = static_cast<DWORD>(m_stepTimeout.count());
    for (const DWORD option : {INTERNET_OPTION_SEND_TIMEOUT, INTERNET_OPTION_RECEIVE_TIMEOUT})
        ::InternetSetOptionW(m_request.get(), option, &stepTimeoutMs, sizeof(stepTimeoutMs));
}

void WinInetRequestContext::Send(std::wstring_view verb, std::wstring_view url, std::wstring headerLines,
                                 LSHttpBodyBytes body, DWORD extraFlags)
{
    BeginSend(verb, url, std::move(headerLines), std::move(body), extraFlags);
    FinishSend();
}

void WinInetRequestContext::BeginSend(std::wstring_view verb, std::wstring_view url, std::wstring headerLines,
                                      LSHttpBodyBytes body, DWORD extraFlags)
{
    CloseRequest();
    if (body.Size() > kSendBlockSize && !CarriesBodyDigest(headerLines))
        throw hresult_exception(E_INVALIDARG, "A body of " + std::to_string(body.Size()) + " bytes for " +
                                                  LSDiag::LogText(url) +
                                                  " goes out in blocks only under a Content-MD5 or Digest header");
    OpenRequest(verb, url, extraFlags);
    AsyncState& state = *m_state;
    state.headerLines = std::move(headerLines);
    state.body = std::move(body);
    // A large body goes out block by block before this returns; a small one travels while the
    // caller does other work.
    if (state.body.Size() > kSendBlockSize)
        SendInBlocks();
    else
        SendWhole();
}

void WinInetRequestContext::FinishSend()
{
    if (!m_request)
        throw hresult_exception(E_UNEXPECTED, "WinInetRequestContext::FinishSend before BeginSend");
    // A stop asked for meanwhile ends the request, however far it got.
    if (m_cancel && m_cancel())
        Abort();
    if (m_stepPending)
        WaitForStep("sending the request to");
    // Sent: WinINet reads the body no more.
    m_state->body = LSHttpBodyBytes();
    m_state->sendBuffer = std::vector<char>();
    // A connection closed unanswered leaves Wine's request without a status line: that is no
    // reply, not a reply of status 0.
    if (GetStatusCode() == 0)
        Fail(ERROR_HTTP_INVALID_SERVER_RESPONSE, "No reply from " + LSDiag::LogText(m_url));
    // A reply without a body is complete with its head.
    m_replyComplete = GetContentLength() == std::optional<uint64_t>(0);
}

void WinInetRequestContext::SendWhole()
{
    AsyncState& state = *m_state;
    std::string_view bytes = state.body.View();
    if (state.body.IsStream()) {
        bytes = BodyBlock(state, 0);
        if (bytes.size() != state.body.Size())
            ThrowShortBody(bytes.size());
    }
    ::ResetEvent(state.stepComplete.get());
    // WinINet takes the body as writable memory but only reads it.
    const BOOL sent = ::HttpSendRequestW(m_request.get(), state.headerLines.empty() ? nullptr : state.headerLines.c_str(),
                                         static_cast<DWORD>(state.headerLines.size()),
                                         bytes.empty() ? nullptr : const_cast<char*>(bytes.data()),
                                         static_cast<DWORD>(bytes.size()));
    if (!sent) {
        const DWORD error = ::GetLastError();
        if (error != ERROR_IO_PENDING)
            Fail(error, "HttpSendRequest failed for " + LSDiag::LogText(m_url));
        m_stepPending = true;
    }
}

void WinInetRequestContext::SendInBlocks()
{
    AsyncState& state = *m_state;
    const uint64_t total = state.body.Size();
    if (total > MAXDWORD)
        throw hresult_exception(E_INVALIDARG, "A body of " + std::to_string(total) + " bytes cannot be sent to " +
                                                  LSDiag::LogText(m_url));
    INTERNET_BUFFERSW head = {};
    head.dwStructSize = sizeof(head);
    head.lpcszHeader = state.headerLines.empty() ? nullptr : state.headerLines.c_str();
    head.dwHeadersLength = static_cast<DWORD>(state.headerLines.size());
    head.dwBufferTotal = static_cast<DWORD>(total);
    // Once the head is out, the server waits for every byte of the body.
    m_bodyLeft = total;
    state.bytesWritten = 0;
    ::ResetEvent(state.stepComplete.get());
    if (!::HttpSendRequestExW(m_request.get(), &head, nullptr, 0, 0))
        WaitIfPending(::GetLastError(), "sending the request to");
    m_headSent = true;
    while (m_bodyLeft > 0) {
        ThrowIfCancelledNow();
        const std::string_view block = BodyBlock(state, total - m_bodyLeft);
        if (block.empty())
            ThrowShortBody(total - m_bodyLeft);
        WriteBlock(block);
    }
    ::ResetEvent(state.stepComplete.get());
    if (!::HttpEndRequestW(m_request.get(), nullptr, 0, 0))
        WaitIfPending(::GetLastError(), "waiting for the reply of");
}

std::string_view WinInetRequestContext::BodyBlock(AsyncState& state, uint64_t sent)
{
    if (!state.body.IsStream())
        return state.body.View().substr(static_cast<size_t>(std::min<uint64_t>(sent, state.body.Size())),
                                        kSendBlockSize);
    // No larger than what is left, and a byte more, so that a stream longer than it said shows.
    const uint64_t left = state.body.Size() - std::min<uint64_t>(sent, state.body.Size());
    const size_t capacity = static_cast<size_t>(std::min<uint64_t>(kSendBlockSize, left + 1));
    state.sendBuffer.resize(capacity);
    size_t filled = 0;
    while (filled < capacity) {
        const size_t read = state.body.ReadNext(state.sendBuffer.data() + filled, capacity - filled);
        if (read == 0)
            break;
        filled += read;
    }
    return std::string_view(state.sendBuffer.data(), filled);
}

bool WinInetRequestContext::WriteNow(AsyncState& state, HINTERNET request, std::string_view bytes,
                                     std::chrono::milliseconds timeout)
{
    state.bytesWritten = 0;
    ::ResetEvent(state.stepComplete.get());
    if (::InternetWriteFile(request, bytes.data(), static_cast<DWORD>(bytes.size()), &state.bytesWritten))
        return true;
    return ::GetLastError() == ERROR_IO_PENDING &&
           ::WaitForSingleObject(state.stepComplete.get(), static_cast<DWORD>(timeout.count())) == WAIT_OBJECT_0 &&
           state.stepSucceeded;
}

void WinInetRequestContext::FinishCutBody(AsyncState& state, CutBody cut, HINTERNET request,
                                          std::chrono::milliseconds timeout)
{
    if (cut.stepPending) {
        if (::WaitForSingleObject(state.stepComplete.get(), static_cast<DWORD>(timeout.count())) != WAIT_OBJECT_0 ||
            !state.stepSucceeded)
            return;
        if (cut.headSent)
            cut.bodyLeft -= std::min<uint64_t>(state.bytesWritten, cut.bodyLeft);
        cut.headSent = true;
    }
    state.body = LSHttpBodyBytes();
    // A request whose head never went out has no connection to write to.
    if (!cut.headSent)
        return;
    state.sendBuffer.assign(static_cast<size_t>(std::min<uint64_t>(kSendBlockSize, cut.bodyLeft)), '\0');
    while (cut.bodyLeft > 0) {
        const std::string_view filler(state.sendBuffer.data(),
                                      static_cast<size_t>(std::min<uint64_t>(state.sendBuffer.size(), cut.bodyLeft)));
        if (!WriteNow(state, request, filler, timeout) || state.bytesWritten == 0 ||
            state.bytesWritten > filler.size())
            return;
        cut.bodyLeft -= state.bytesWritten;
    }
    // The reply, the server's refusal, is read, so that the connection is left in order.
    ::ResetEvent(state.stepComplete.get());
    if (!::HttpEndRequestW(request, nullptr, 0, 0) && ::GetLastError() == ERROR_IO_PENDING)
        ::WaitForSingleObject(state.stepComplete.get(), static_cast<DWORD>(timeout.count()));
}

void WinInetRequestContext::WriteBlock(std::string_view block)
{
    AsyncState& state = *m_state;
    while (!block.empty()) {
        state.bytesWritten = 0;
        ::ResetEvent(state.stepComplete.get());
        if (!::InternetWriteFile(m_request.get(), block.data(), static_cast<DWORD>(block.size()), &state.bytesWritten))
            WaitIfPending(::GetLastError(), "sending the body to");
        if (state.bytesWritten == 0 || state.bytesWritten > block.size())
            Fail(ERROR_INTERNET_CONNECTION_RESET, "The connection took no more of the body of " + LSDiag::LogText(m_url));
        block.remove_prefix(state.bytesWritten);
        m_bodyLeft -= state.bytesWritten;
    }
}

void WinInetRequestContext::WaitIfPending(DWORD error, const char* step)
{
    if (error != ERROR_IO_PENDING)
        Fail(error, std::string("Failed ") + step + " " + LSDiag::LogText(m_url));
    WaitForStep(step);
}

void WinInetRequestContext::ThrowShortBody(uint64_t bytes)
{
    const std::string what = "The body for " + LSDiag::LogText(m_url) + " ended after " + std::to_string(bytes) +
                             " of " + std::to_string(m_state->body.Size()) + " bytes";
    CloseRequest();
    throw hresult_exception(HRESULT_FROM_WIN32(ERROR_HANDLE_EOF), what);
}

void WinInetRequestContext::WaitForStep(const char* step)
{
    m_stepPending = true;
    switch (WaitForEventCancellable(m_state->stepComplete.get(), m_cancel, m_stepTimeout, m_waitMessages)) {
    case LSWaitResult::Done:
        break;
    case LSWaitResult::Cancelled:
        Abort();
    case LSWaitResult::TimedOut:
        CloseRequest();
        ThrowWinInetError(ERROR_INTERNET_TIMEOUT, std::string("No progress ") + step + " " + LSDiag::LogText(m_url));
    }
    m_stepPending = false;
    if (!m_state->stepSucceeded)
        Fail(static_cast<DWORD>(m_state->stepError), std::string("Failed ") + step + " " + LSDiag::LogText(m_url));
}

void WinInetRequestContext::ThrowIfCancelledNow()
{
    const auto now = std::chrono::steady_clock::now();
    if (now - m_lastCancelCheck < kCancelPollInterval)
        return;
    m_lastCancelCheck = now;
    if (m_cancel && m_cancel())
        Abort();
}

void WinInetRequestContext::Fail(DWORD error, const std::string& what)
{
    // A stop asked for meanwhile may be what broke the transfer, or have met a failure on its
    // way: either way the caller is to see the stop.
    if (m_cancel && m_cancel())
        Abort();
    ThrowWinInetError(error, what);
}

void WinInetRequestContext::Abort()
{
    CloseRequest();
    throw E_ABORT;
}

DWORD WinInetRequestContext::GetStatusCode() const
{
    DWORD status = 0;
    DWORD size = sizeof(status);
    if (!m_request ||
        !::HttpQueryInfoW(m_request.get(), HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size, nullptr))
        return 0;
    return status;
}

std::wstring WinInetRequestContext::QueryHeader(DWORD infoLevel) const
{
    if (!m_request)
        return {};
    std::wstring value(256, L'\0');
    for (;;) {
        DWORD size = static_cast<DWORD>(value.size() * sizeof(wchar_t));
        if (::HttpQueryInfoW(m_request.get(), infoLevel, value.data(), &size, nullptr)) {
            value.resize(size / sizeof(wchar_t));
            return value;
        }
        if (::GetLastError() != ERROR_INSUFFICIENT_BUFFER)
            return {};
        value.resize(size / sizeof(wchar_t) + 1);
    }
}

std::optional<uint64_t> WinInetRequestContext::GetContentLength() const
{
    // As text: the numeric form of the query is 32 bits wide.
    const std::wstring text = QueryHeader(HTTP_QUERY_CONTENT_LENGTH);
    if (text.empty() || text.find_first_not_of(L"0123456789") != std::wstring::npos)
        return std::nullopt;
    return std::wcstoull(text.c_str(), nullptr, 10);
}

std::string_view WinInetRequestContext::ReadBlock()
{
    if (!m_request)
        throw hresult_exception(E_UNEXPECTED, "WinInetRequestContext::ReadBlock before Send");
    ThrowIfCancelledNow();
    AsyncState& state = *m_state;
    if (!state.buffer) {
        state.bufferSize = ReadBufferSize(GetContentLength());
        state.buffer = std::make_unique<char[]>(state.bufferSize);
    }
    state.bytesRead = 0;
    ::ResetEvent(state.stepComplete.get());
    if (!::InternetReadFile(m_request.get(), state.buffer.get(), state.bufferSize, &state.bytesRead)) {
        const DWORD error = ::GetLastError();
        if (error != ERROR_IO_PENDING)
            Fail(error, "Failed reading the reply of " + LSDiag::LogText(m_url));
        WaitForStep("reading the reply of");
    }
    m_replyComplete = state.bytesRead == 0;
    m_replyBytesRead += state.bytesRead;
    if (!m_replyComplete && m_progressed)
        m_progressed();
    if (m_replyComplete)
        CheckReplyComplete();
    return std::string_view(state.buffer.get(), state.bytesRead);
}

void WinInetRequestContext::CheckReplyComplete()
{
    const std::optional<uint64_t> declared = GetContentLength();
    if (declared && *declared != m_replyBytesRead)
        Fail(ERROR_INTERNET_CONNECTION_RESET, "The reply of " + LSDiag::LogText(m_url) + " ended after " +
                                                  std::to_string(m_replyBytesRead) + " of " +
                                                  std::to_string(*declared) + " bytes");
}

std::string WinInetRequestContext::ReadBodyPrefix(size_t maxBytes)
{
    std::string body;
    while (body.size() < maxBytes) {
        const std::string_view block = ReadBlock();
        if (block.empty())
            break;
        body.append(block.substr(0, maxBytes - body.size()));
    }
    return body;
}
