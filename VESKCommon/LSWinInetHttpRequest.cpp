#include "LSWinInetHttpRequest.h"

#include "HResultException.h"
#include "LSHttpMessageParts.h"

namespace {

constexpr long kReadyStateOpened = 1;
constexpr long kReadyStateComplete = 4;

_bstr_t ToBstr(const std::wstring& text) { return _bstr_t(text.c_str()); }

} // namespace

HRESULT LSWinInetHttpRequest::Open(BSTR method, BSTR url, const VARIANT&, const VARIANT&, const VARIANT&)
{
    if (::SysStringLen(method) == 0 || ::SysStringLen(url) == 0)
        return E_INVALIDARG;
    RememberOpen(method, url);
    m_context.reset();
    m_body.clear();
    m_readyState = kReadyStateOpened;
    return S_OK;
}

HRESULT LSWinInetHttpRequest::SetRequestHeader(const _bstr_t& name, const _bstr_t& value)
{
    if (m_readyState != kReadyStateOpened)
        return E_UNEXPECTED;
    if (name.length() == 0)
        return E_INVALIDARG;
    RememberHeader(name, value);
    return S_OK;
}

HRESULT LSWinInetHttpRequest::Send(const VARIANT& body, const LSCancelCheck& cancel)
{
    if (m_readyState != kReadyStateOpened)
        return E_UNEXPECTED;
    std::wstring headerLines;
    for (const auto& [name, value] : GetRequestHeaders())
        headerLines += name + L": " + value + L"\r\n";
    try {
        m_context = std::make_unique<WinInetRequestContext>(cancel, false, 0);
        m_context->Send(GetMethod(), GetUrl(), std::move(headerLines), VariantBodyBytes(body), 0);
        for (std::string_view block = m_context->ReadBlock(); !block.empty(); block = m_context->ReadBlock())
            m_body.append(block);
    } catch (const hresult_exception& error) {
        m_context.reset();
        return error.hr();
    } catch (HRESULT hr) {
        m_context.reset();
        return hr;
    }
    m_readyState = kReadyStateComplete;
    return S_OK;
}

HRESULT LSWinInetHttpRequest::Abort()
{
    m_context.reset();
    m_readyState = 0;
    return S_OK;
}

long LSWinInetHttpRequest::GetReadyState() const { return m_readyState; }

long LSWinInetHttpRequest::GetStatus() const
{
    return m_readyState == kReadyStateComplete ? static_cast<long>(m_context->GetStatusCode()) : 0;
}

_bstr_t LSWinInetHttpRequest::GetStatusText() const
{
    return m_readyState == kReadyStateComplete ? ToBstr(m_context->QueryHeader(HTTP_QUERY_STATUS_TEXT)) : _bstr_t();
}

_bstr_t LSWinInetHttpRequest::GetResponseText() const { return ToBstr(Utf8BytesToWide(m_body)); }

std::vector<BYTE> LSWinInetHttpRequest::GetResponseBody() const
{
    return std::vector<BYTE>(m_body.begin(), m_body.end());
}

_bstr_t LSWinInetHttpRequest::GetAllResponseHeaders() const
{
    if (m_readyState != kReadyStateComplete)
        return _bstr_t();
    // XMLHTTP's form: the header lines without the status line.
    const std::wstring raw = m_context->QueryHeader(HTTP_QUERY_RAW_HEADERS_CRLF);
    const size_t firstLineEnd = raw.find(L"\r\n");
    return ToBstr(firstLineEnd == std::wstring::npos ? std::wstring() : raw.substr(firstLineEnd + 2));
}

_bstr_t LSWinInetHttpRequest::GetResponseHeader(const _bstr_t& name) const
{
    const _bstr_t headers = GetAllResponseHeaders();
    const wchar_t* lines = headers;
    const wchar_t* wanted = name;
    const std::wstring value = FindHeaderLine(lines != nullptr ? lines : L"", wanted != nullptr ? wanted : L"");
    return value.empty() ? _bstr_t() : ToBstr(value);
}
