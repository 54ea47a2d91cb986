#include "LSHttpRequest.h"

#include "LSWinInetHttpRequest.h"
#include "LSXmlHttpRequest.h"
#include "StdString.h"

namespace {

// What every XMLHTTP object opens; a refusal of these is a real failure (a malformed URL).
bool IsCommonMethod(BSTR method)
{
    const CStdStr<wchar_t> name(method);
    for (const wchar_t* common : {L"GET", L"POST", L"PUT", L"DELETE"}) {
        if (name.Equals(common, false))
            return true;
    }
    return false;
}

} // namespace

LSHttpRequest::LSHttpRequest() : m_transport(std::make_unique<LSXmlHttpRequest>()) {}

HRESULT LSHttpRequest::Open(BSTR method, BSTR url, const VARIANT& async, const VARIANT& user, const VARIANT& password)
{
    m_transport = std::make_unique<LSXmlHttpRequest>();
    const HRESULT opened = m_transport->Open(method, url, async, user, password);
    if (SUCCEEDED(opened) || IsCommonMethod(method))
        return opened;
    m_transport = std::make_unique<LSWinInetHttpRequest>();
    return m_transport->Open(method, url, async, user, password);
}

HRESULT LSHttpRequest::SetRequestHeader(const _bstr_t& name, const _bstr_t& value)
{
    return m_transport->SetRequestHeader(name, value);
}

HRESULT LSHttpRequest::Send(const VARIANT& body, const LSCancelCheck& cancel) { return m_transport->Send(body, cancel); }
HRESULT LSHttpRequest::Abort() { return m_transport->Abort(); }
long LSHttpRequest::GetReadyState() const { return m_transport->GetReadyState(); }
long LSHttpRequest::GetStatus() const { return m_transport->GetStatus(); }
_bstr_t LSHttpRequest::GetStatusText() const { return m_transport->GetStatusText(); }
_bstr_t LSHttpRequest::GetResponseText() const { return m_transport->GetResponseText(); }
std::vector<BYTE> LSHttpRequest::GetResponseBody() const { return m_transport->GetResponseBody(); }
_bstr_t LSHttpRequest::GetAllResponseHeaders() const { return m_transport->GetAllResponseHeaders(); }
_bstr_t LSHttpRequest::GetResponseHeader(const _bstr_t& name) const { return m_transport->GetResponseHeader(name); }
const std::wstring& LSHttpRequest::GetMethod() const { return m_transport->GetMethod(); }
const std::wstring& LSHttpRequest::GetUrl() const { return m_transport->GetUrl(); }
const LSHttpHeaderList& LSHttpRequest::GetRequestHeaders() const { return m_transport->GetRequestHeaders(); }
