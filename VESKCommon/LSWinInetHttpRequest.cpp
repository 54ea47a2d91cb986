#include "LSWinInetHttpRequest.h"

#include "HResultException.h"
#include "LSHttpBodyBytes.h"
#include "LSHttpMessageParts.h"

#include <new>

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

} // namespace

LSWinInetHttpRequest::LSWinInetHttpRequest(std::chrono::milliseconds stepTimeout) : m_stepTimeout(stepTimeout) {}

HRESULT LSWinInetHttpRequest::Send(const VARIANT& body, const LSCancelCheck& cancel)
{
    if (!IsOpened())
        return E_UNEXPECTED;
    try {
        // Waits on the caller's thread, whose messages the host needs dispatched. The body goes
        // out from the caller's own bytes; the context, and WinINet's hold on them with it, ends
        // with the send.
        WinInetRequestContext context(cancel, false, static_cast<DWORD>(m_stepTimeout.count()),
                                      LSWaitMessages::Dispatch);
        context.Send(GetMethod(), GetUrl(), JoinHeaderLines(GetRequestHeaders()), LSHttpBodyBytes(body), 0);
        Complete(ReadReply(context));
    } catch (const hresult_exception& error) {
        return error.hr();
    } catch (HRESULT hr) {
        return hr;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    return S_OK;
}
