#include "LSXmlHttpRequest.h"

#include "ComOwners.h"
#include "LSCancellableWait.h"

#include <wininet.h>

using TalvernCommon::unique_variant;

namespace {

constexpr long kReadyStateComplete = 4;

// Wine's XMLHTTP puts the headers on the wire last-set first, Windows' in the order set; the
// server must see the order the caller chose.
bool XmlHttpReversesHeaders()
{
    static const bool reverses = [] {
        const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
        return ntdll != nullptr && ::GetProcAddress(ntdll, "wine_get_version") != nullptr;
    }();
    return reverses;
}

// A BSTR out-parameter read into a _bstr_t that owns it; empty when the read fails.
template <typename Read>
_bstr_t ReadBstr(Read read)
{
    BSTR value = nullptr;
    if (FAILED(read(&value)))
        return _bstr_t();
    return _bstr_t(value, false);
}

std::vector<BYTE> CopySafeArrayBytes(SAFEARRAY* array)
{
    std::vector<BYTE> bytes;
    LONG lower = 0;
    LONG upper = -1;
    if (array == nullptr || FAILED(::SafeArrayGetLBound(array, 1, &lower)) ||
        FAILED(::SafeArrayGetUBound(array, 1, &upper)) || upper < lower)
        return bytes;
    void* data = nullptr;
    if (FAILED(::SafeArrayAccessData(array, &data)))
        return bytes;
    const auto* first = static_cast<const BYTE*>(data);
    bytes.assign(first, first + (static_cast<size_t>(upper) - static_cast<size_t>(lower) + 1));
    ::SafeArrayUnaccessData(array);
    return bytes;
}

} // namespace

LSXmlHttpRequest::LSXmlHttpRequest(std::chrono::milliseconds noProgressTimeout)
    : m_noProgressTimeout(noProgressTimeout)
{
}

HRESULT LSXmlHttpRequest::Open(BSTR method, BSTR url, const VARIANT& async, const VARIANT& user,
                               const VARIANT& password)
{
    RememberOpen(method, url);
    if (!m_request) {
        const HRESULT created = MsxmlInterop::CreateXmlHttpRequest(m_request);
        if (FAILED(created))
            return created;
    }
    return m_request->open(method, url, async, user, password);
}

HRESULT LSXmlHttpRequest::SetRequestHeader(const _bstr_t& name, const _bstr_t& value)
{
    if (!m_request)
        return E_UNEXPECTED;
    if (name.length() == 0)
        return E_INVALIDARG;
    RememberHeader(name, value);
    return S_OK;
}

HRESULT LSXmlHttpRequest::ApplyHeaders()
{
    const LSHttpHeaderList& headers = GetRequestHeaders();
    const auto apply = [this](const auto& header) {
        return m_request->setRequestHeader(_bstr_t(header.first.c_str()), _bstr_t(header.second.c_str()));
    };
    HRESULT hr = S_OK;
    if (XmlHttpReversesHeaders()) {
        for (auto header = headers.rbegin(); header != headers.rend() && SUCCEEDED(hr); ++header)
            hr = apply(*header);
    } else {
        for (auto header = headers.begin(); header != headers.end() && SUCCEEDED(hr); ++header)
            hr = apply(*header);
    }
    return hr;
}

HRESULT LSXmlHttpRequest::Send(const VARIANT& body, const LSCancelCheck& cancel)
{
    if (!m_request)
        return E_UNEXPECTED;
    const HRESULT headersSet = ApplyHeaders();
    if (FAILED(headersSet))
        return headersSet;
    // send() takes the VARIANT by value without taking it over: the caller keeps ownership.
    const HRESULT sent = m_request->send(body);
    // Wine's XMLHTTP answers a successful asynchronous send with 0x000401E8, not S_OK.
    if (FAILED(sent))
        return sent;

    long lastState = GetReadyState();
    const auto done = [this] { return GetReadyState() == kReadyStateComplete; };
    const auto progressed = [this, &lastState] {
        const long state = GetReadyState();
        return std::exchange(lastState, state) != state;
    };
    switch (PumpMessagesUntil(done, progressed, cancel, m_noProgressTimeout)) {
    case LSWaitResult::Done:
        return S_OK;
    case LSWaitResult::Cancelled:
        m_request->abort();
        return E_ABORT;
    case LSWaitResult::TimedOut:
        m_request->abort();
        return HRESULT_FROM_WIN32(ERROR_INTERNET_TIMEOUT);
    }
    return E_UNEXPECTED;
}

HRESULT LSXmlHttpRequest::Abort() { return m_request ? m_request->abort() : S_OK; }

long LSXmlHttpRequest::GetReadyState() const
{
    long state = 0;
    if (!m_request || FAILED(m_request->get_readyState(&state)))
        return 0;
    return state;
}

long LSXmlHttpRequest::GetStatus() const
{
    long status = 0;
    if (!m_request || FAILED(m_request->get_status(&status)))
        return 0;
    return status;
}

_bstr_t LSXmlHttpRequest::GetStatusText() const
{
    if (!m_request)
        return _bstr_t();
    return ReadBstr([this](BSTR* value) { return m_request->get_statusText(value); });
}

_bstr_t LSXmlHttpRequest::GetResponseText() const
{
    if (!m_request)
        return _bstr_t();
    return ReadBstr([this](BSTR* value) { return m_request->get_responseText(value); });
}

std::vector<BYTE> LSXmlHttpRequest::GetResponseBody() const
{
    unique_variant body;
    if (!m_request || FAILED(m_request->get_responseBody(body.put())) || body.vt() != (VT_ARRAY | VT_UI1))
        return {};
    return CopySafeArrayBytes(body.get()->parray);
}

_bstr_t LSXmlHttpRequest::GetAllResponseHeaders() const
{
    if (!m_request)
        return _bstr_t();
    return ReadBstr([this](BSTR* value) { return m_request->getAllResponseHeaders(value); });
}

_bstr_t LSXmlHttpRequest::GetResponseHeader(const _bstr_t& name) const
{
    if (!m_request)
        return _bstr_t();
    return ReadBstr([this, &name](BSTR* value) { return m_request->getResponseHeader(name, value); });
}
