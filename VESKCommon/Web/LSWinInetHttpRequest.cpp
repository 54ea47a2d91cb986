#include "LSWinInetHttpRequest.h"

#include "LSComBoundary.h"
#include "LSHttpBodyBytes.h"
#include "LSHttpMessageParts.h"

namespace {

// The raw head without its status line and closing empty line.
std::wstring HeaderLinesAfterStatusLine(const std::wstring& rawHead)
{
    const size_t statusLineEnd = rawHead.find(L"\r\n");
    if (statusLineEnd == std::wstring::npos)
        return {};
    const size_t lastText = rawHead.find_last_not_of(L"\r\n");
    if (lastText == std::wstring::npos || lastText < statusLineEnd + 2)
        return {};
    return rawHead.substr(statusLineEnd + 2, lastText + 1 - (statusLineEnd + 2));
}

LSHttpReply ReadReply(WinInetRequestContext& context)
{
    LSHttpReply reply;
    reply.status = static_cast<long>(context.GetStatusCode());
    reply.statusText = context.QueryHeader(HTTP_QUERY_STATUS_TEXT);
    reply.headerLines = HeaderLinesAfterStatusLine(context.QueryHeader(HTTP_QUERY_RAW_HEADERS_CRLF));
    for (std::string_view block = context.ReadBlock(); !block.empty(); block = context.ReadBlock())
        reply.body.append(block);
    return reply;
}

template <typename Action> HRESULT CatchHResult(const Action& action)
{
    try {
        action();
        return S_OK;
    } catch (...) {
        return LSHResultOfCurrentException();
    }
}

} // namespace

LSWinInetHttpRequest::LSWinInetHttpRequest(std::chrono::milliseconds stepTimeout) : m_stepTimeout(stepTimeout) {}

HRESULT LSWinInetHttpRequest::Open(BSTR method, BSTR url, const VARIANT& async, const VARIANT& user,
                                   const VARIANT& password)
{
    URL_COMPONENTSW parts = {};
    parts.dwStructSize = sizeof(parts);
    if (url == nullptr || !::InternetCrackUrlW(url, 0, 0, &parts) ||
        (parts.nScheme != INTERNET_SCHEME_HTTP && parts.nScheme != INTERNET_SCHEME_HTTPS))
        return E_INVALIDARG;
    m_started.reset();
    m_startResult = S_FALSE;
    return LSHttpRequestWholeReply::Open(method, url, async, user, password);
}

std::unique_ptr<WinInetRequestContext> LSWinInetHttpRequest::MakeContext(const LSCancelCheck& cancel) const
{
    return std::make_unique<WinInetRequestContext>(cancel, false, static_cast<DWORD>(m_stepTimeout.count()),
                                                   LSWaitMessages::Dispatch);
}

void LSWinInetHttpRequest::BeginSend(WinInetRequestContext& context, const VARIANT& body) const
{
    context.BeginSend(GetMethod(), GetUrl(), JoinHeaderLines(GetRequestHeaders()), LSHttpBodyBytes(body), 0);
}

HRESULT LSWinInetHttpRequest::Start(const VARIANT& body, const LSCancelCheck& cancel)
{
    if (!IsOpened() || m_startResult != S_FALSE)
        return E_UNEXPECTED;
    // A failure to begin is Send's to report, where the caller expects the failures of the send.
    m_startResult = CatchHResult([&] {
        m_started = MakeContext(cancel);
        BeginSend(*m_started, body);
    });
    return S_OK;
}

HRESULT LSWinInetHttpRequest::Send(const VARIANT& body, const LSCancelCheck& cancel)
{
    if (!IsOpened())
        return E_UNEXPECTED;
    if (FAILED(m_startResult))
        return m_startResult;
    // The body goes out from the caller's own bytes; the context, and WinINet's hold on them with
    // it, ends with the send.
    const std::unique_ptr<WinInetRequestContext> context = m_started ? std::move(m_started) : MakeContext(cancel);
    return CatchHResult([&] {
        if (m_startResult == S_FALSE)
            BeginSend(*context, body);
        context->FinishSend();
        Complete(ReadReply(*context));
    });
}
