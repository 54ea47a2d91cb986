#include "LSHttpRequestWholeReply.h"

#include "LSHttpMessageParts.h"

namespace {

constexpr long kReadyStateOpened = 1;
constexpr long kReadyStateComplete = 4;

_bstr_t ToBstr(const std::wstring& text) { return _bstr_t(text.c_str()); }

} // namespace

HRESULT LSHttpRequestWholeReply::Open(BSTR method, BSTR url, const VARIANT&, const VARIANT&, const VARIANT&)
{
    if (::SysStringLen(method) == 0 || ::SysStringLen(url) == 0)
        return E_INVALIDARG;
    RememberOpen(method, url);
    m_reply = LSHttpReply();
    m_readyState = kReadyStateOpened;
    return S_OK;
}

HRESULT LSHttpRequestWholeReply::SetRequestHeader(const _bstr_t& name, const _bstr_t& value)
{
    if (!IsOpened())
        return E_UNEXPECTED;
    if (name.length() == 0)
        return E_INVALIDARG;
    RememberHeader(name, value);
    return S_OK;
}

HRESULT LSHttpRequestWholeReply::Abort()
{
    m_reply = LSHttpReply();
    m_readyState = 0;
    return S_OK;
}

bool LSHttpRequestWholeReply::IsOpened() const { return m_readyState == kReadyStateOpened; }

void LSHttpRequestWholeReply::Complete(LSHttpReply reply)
{
    m_reply = std::move(reply);
    m_readyState = kReadyStateComplete;
}

long LSHttpRequestWholeReply::GetReadyState() const { return m_readyState; }
long LSHttpRequestWholeReply::GetStatus() const { return m_reply.status; }
_bstr_t LSHttpRequestWholeReply::GetStatusText() const { return ToBstr(m_reply.statusText); }
_bstr_t LSHttpRequestWholeReply::GetResponseText() const { return ToBstr(Utf8ToWideLossy(m_reply.body)); }

std::vector<BYTE> LSHttpRequestWholeReply::GetResponseBody() const
{
    return std::vector<BYTE>(m_reply.body.begin(), m_reply.body.end());
}

// XMLHTTP's form: the header lines, closed by an empty line.
_bstr_t LSHttpRequestWholeReply::GetAllResponseHeaders() const
{
    return ToBstr(m_reply.headerLines.empty() ? L"" : m_reply.headerLines + L"\r\n\r\n");
}

_bstr_t LSHttpRequestWholeReply::GetResponseHeader(const _bstr_t& name) const
{
    const wchar_t* wanted = name;
    const std::wstring value = FindHeaderLine(m_reply.headerLines, wanted != nullptr ? wanted : L"");
    return value.empty() ? _bstr_t() : ToBstr(value);
}
