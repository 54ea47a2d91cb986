#include "LSXmlHttpRequest.h"

#include "ComOwners.h"
#include "LSAbandonedXmlHttp.h"
#include "LSCancellableWait.h"
#include "LSHttpMessageParts.h"

#include <wininet.h>

#include <utility>

using TalvernCommon::unique_safearray;
using TalvernCommon::unique_variant;

namespace {

constexpr long kReadyStateComplete = 4;

// Wine's XMLHTTP differs from Windows' in two ways a caller must not see: the order of the headers
// on the wire, and a transfer that outlives abort().
bool IsWinesXmlHttp()
{
    static const bool wine = [] {
        const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
        return ntdll != nullptr && ::GetProcAddress(ntdll, "wine_get_version") != nullptr;
    }();
    return wine;
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

// Text goes out as UTF-8 bytes: handed a string, XMLHTTP picks the encoding itself, and Wine's
// adds a second Content-Type beside the caller's.
unique_safearray Utf8ByteArray(const VARIANT& textBody)
{
    const std::string bytes = VariantBodyBytes(textBody);
    unique_safearray array(::SafeArrayCreateVector(VT_UI1, 0, static_cast<ULONG>(bytes.size())));
    void* data = nullptr;
    if (array && SUCCEEDED(::SafeArrayAccessData(array.get(), &data))) {
        std::copy(bytes.begin(), bytes.end(), static_cast<char*>(data));
        ::SafeArrayUnaccessData(array.get());
    }
    return array;
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
        // A stopped sync may be the last request for a long while: what it gave up goes here too.
        LSAbandonedXmlHttp::ReleaseFinished();
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
    // Wine's XMLHTTP puts them on the wire last-set first, Windows' in the order set; the server
    // must see the order the caller chose.
    if (IsWinesXmlHttp()) {
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
    HRESULT sent = S_OK;
    if (body.vt == VT_BSTR) {
        const unique_safearray bytes = Utf8ByteArray(body);
        if (!bytes)
            return E_OUTOFMEMORY;
        VARIANT byteBody;
        ::VariantInit(&byteBody);
        byteBody.vt = VT_ARRAY | VT_UI1;
        byteBody.parray = bytes.get();
        // send() copies the body before it returns; the array stays ours.
        sent = m_request->send(byteBody);
    } else {
        sent = m_request->send(body);
    }
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
        AbandonTransfer();
        return E_ABORT;
    case LSWaitResult::TimedOut:
        AbandonTransfer();
        return HRESULT_FROM_WIN32(ERROR_INTERNET_TIMEOUT);
    }
    return E_UNEXPECTED;
}

void LSXmlHttpRequest::AbandonTransfer()
{
    m_request->abort();
    // Windows' XMLHTTP holds what it still needs; Wine's goes on writing into the object, holding
    // no reference to it, until the transfer ends.
    if (IsWinesXmlHttp())
        LSAbandonedXmlHttp::Keep(std::move(m_request));
    else
        m_request.reset();
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
    if (!m_request || FAILED(m_request->get_responseBody(body.put())))
        return {};
    const std::string bytes = VariantBodyBytes(*body.get());
    return std::vector<BYTE>(bytes.begin(), bytes.end());
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
