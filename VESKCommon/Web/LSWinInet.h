// The WinINet transport for file downloads, text posts and the requests XMLHTTP cannot make:
// asynchronous requests whose status callback sets events, and waits in 100 ms slices that ask
// the cancel check (and, on the host's thread, dispatch its messages).
#pragma once

#include "LSCancelCheck.h"
#include "LSCancellableWait.h"
#include "LSHttpBodyBytes.h"
#include "StdString.h"
#include "UniqueResource.h"

#include <windows.h>
#include <wininet.h>

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

// The state of one WinINet request: the held cancel check, the session, connection and request
// handles, and the events the status callback sets. Its destructor closes every handle, also
// when the request failed or was cancelled in the middle; only the session of a request that
// ended in order is left for the next context to take.
class WinInetRequestContext {
public:
    // cancel: asked at least every 100 ms while waiting; true ends the request with the bare
    // HRESULT E_ABORT, also when a transport failure surfaces at the same time (a stop is never
    // reported as the failure it caused or met). logResponses: write each reply's status and
    // headers to the log. stepTimeoutMs: the longest wait for one network step (connect and send
    // a body of up to 1 MiB, one block of a larger body, one block of the reply) before the request fails with ERROR_INTERNET_TIMEOUT; 0 for
    // kDefaultStepTimeout. messages: Dispatch when waiting on the caller's (host's) thread.
    // progressed: called each time a block of the reply arrives. Throws hresult_exception when
    // WinINet cannot be opened.
    WinInetRequestContext(LSCancelCheck cancel, bool logResponses, DWORD stepTimeoutMs,
                          LSWaitMessages messages = LSWaitMessages::Ignore, LSProgressNote progressed = {});
    WinInetRequestContext(const WinInetRequestContext&) = delete;
    WinInetRequestContext& operator=(const WinInetRequestContext&) = delete;
    ~WinInetRequestContext();

    static constexpr std::chrono::milliseconds kDefaultStepTimeout = std::chrono::minutes(2);

    // Sends the request and waits for the head of the reply. extraFlags are added to the
    // request's WinINet flags (INTERNET_FLAG_NO_AUTO_REDIRECT to see a redirect instead of
    // following it). A body over 1 MiB goes out in 1 MiB blocks (a stream's read one at a time),
    // the step timeout counting from the last block, the cancel check asked between blocks; such
    // a body needs a Content-MD5 or Digest header that the server checks it by (hresult_exception
    // E_INVALIDARG before anything is sent otherwise): given up halfway, its rest goes out as
    // zeros while the request is closed in the background, so that the server refuses it and no
    // later request's bytes become its rest. Throws hresult_exception for transport failures (a
    // reply without a status line among them, a stream that ends short of its size), E_ABORT when
    // cancelled. The body is held until the request is sent or given up; given up while WinINet
    // may still read a byte array in place, the array stays locked and allocated until WinINet
    // is done with it. A stream (the user's file) is let go as the request is given up.
    void Send(std::wstring_view verb, std::wstring_view url, std::wstring headerLines, LSHttpBodyBytes body,
              DWORD extraFlags);
    // Send in two halves, so that the request travels while the caller does other work: BeginSend
    // hands the request to WinINet without waiting (it fails only where Send fails at once), and
    // FinishSend waits for the head of the reply, failing as Send does.
    void BeginSend(std::wstring_view verb, std::wstring_view url, std::wstring headerLines, LSHttpBodyBytes body,
                   DWORD extraFlags);
    void FinishSend();

    DWORD GetStatusCode() const;
    // A header of the reply by WinINet info level (HTTP_QUERY_LOCATION, ...); empty when absent.
    std::wstring QueryHeader(DWORD infoLevel) const;
    // The declared body size, when the server declared one.
    std::optional<uint64_t> GetContentLength() const;

    // The next block of the reply body, empty at its end; valid until the next call. A reply
    // that ends short of its declared length fails with ERROR_INTERNET_CONNECTION_RESET.
    std::string_view ReadBlock();
    // Up to maxBytes of the reply body, for error details.
    std::string ReadBodyPrefix(size_t maxBytes);

    bool LogsResponses() const { return m_logResponses; }
    const std::wstring& GetUrl() const { return m_url; }

private:
    struct AsyncState;

    static void CALLBACK StatusCallback(HINTERNET handle, DWORD_PTR context, DWORD status, LPVOID info,
                                        DWORD infoLength);

    void OpenSession();
    void OpenRequest(std::wstring_view verb, std::wstring_view url, DWORD extraFlags);
    // Closes the request; one whose reply was not read to its end is closed in the background,
    // one given up halfway through its body after the rest went out as zeros.
    void CloseRequest();
    // Hands a body of at most one block to WinINet; FinishSend waits for it.
    void SendWhole();
    // A body larger than one block: the head, then block after block, each a step of its own.
    void SendInBlocks();
    // The body's next block after `sent` bytes (a stream's read into the send buffer); shorter
    // only at its end.
    static std::string_view BodyBlock(AsyncState& state, uint64_t sent);
    void WriteBlock(std::string_view block);
    // A body sent in blocks, as it stood when the request was given up.
    struct CutBody {
        uint64_t bodyLeft;
        bool headSent;
        // The head or a block was still on its way.
        bool stepPending;
    };
    // For a request given up halfway through its body, on the closing thread: once a pending step
    // has ended, the rest of the body as zeros and the end of the request, each step bounded by
    // the timeout; it stops at the first failure.
    static bool WriteNow(AsyncState& state, HINTERNET request, std::string_view bytes,
                         std::chrono::milliseconds timeout);
    static void FinishCutBody(AsyncState& state, CutBody cut, HINTERNET request, std::chrono::milliseconds timeout);
    // After a WinINet call answered FALSE: waits for the step when it is pending, else fails.
    void WaitIfPending(DWORD error, const char* step);
    [[noreturn]] void ThrowShortBody(uint64_t bytes);
    void WaitForStep(const char* step);
    void CheckReplyComplete();
    void ThrowIfCancelledNow();
    // Throws the transport failure as hresult_exception, or E_ABORT when the cancel check asks
    // to stop now.
    [[noreturn]] void Fail(DWORD error, const std::string& what);
    [[noreturn]] void Abort();

    LSCancelCheck m_cancel;
    LSProgressNote m_progressed;
    bool m_logResponses;
    std::chrono::milliseconds m_stepTimeout;
    LSWaitMessages m_waitMessages;
    std::wstring m_url;
    std::chrono::steady_clock::time_point m_lastCancelCheck;
    bool m_stepPending = false;
    // What is still to go of a body sent in blocks, and whether the server has its head.
    uint64_t m_bodyLeft = 0;
    bool m_headSent = false;
    bool m_replyComplete = false;
    uint64_t m_replyBytesRead = 0;
    std::shared_ptr<AsyncState> m_state;
    TalvernCommon::unique_hinternet m_session;
    TalvernCommon::unique_hinternet m_connection;
    TalvernCommon::unique_hinternet m_request;
};

namespace LSWinInetNS {

class LSWinInetBase {
public:
    // Sends the body (as UTF-8) with "Content-Type: text/xml; charset=utf-8\r\n" and then the
    // extra header text, without following a redirect. A reply other than 302 goes through
    // CheckStatus. Returns the reply's Location header, empty when it has none.
    static CStdStr<wchar_t> PostText(WinInetRequestContext& context, const CStdStr<wchar_t>& verb,
                                     const CStdStr<wchar_t>& url, const CStdStr<wchar_t>& extraHeaders,
                                     const CStdStr<wchar_t>& body);

    // GETs the URL, following redirects, and streams the body into localPath through a temporary
    // file beside it; a failure or a stop leaves whatever was at localPath untouched. A 202 (the
    // content is not ready yet) throws LSHttpError with the server's Retry-After. A reply cut off
    // before its end is fetched once more.
    static void DownloadToFile(WinInetRequestContext& context, const CStdStr<wchar_t>& url,
                               const CStdStr<wchar_t>& headerLines, const CStdStr<wchar_t>& localPath,
                               DWORD extraFlags);

    // Throws LSHttpError (status, reason phrase, Retry-After, the start of the body as detail)
    // for a status outside 200 to 299.
    static void CheckStatus(WinInetRequestContext& context);
    // A 202 answers that the content is not ready yet: throws LSHttpError 202 with the server's
    // Retry-After.
    static void ThrowIfNotReady(WinInetRequestContext& context);

private:
    static void DownloadOnce(WinInetRequestContext& context, const CStdStr<wchar_t>& url,
                             const CStdStr<wchar_t>& headerLines, const CStdStr<wchar_t>& localPath,
                             DWORD extraFlags);
};

} // namespace LSWinInetNS
