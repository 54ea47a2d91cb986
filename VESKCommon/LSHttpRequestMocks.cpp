#include "LSHttpRequestMocks.h"

#include "HResultException.h"
#include "LSDiag.h"
#include "LSHttpMessageParts.h"

namespace LSHttpRequestMocks {
namespace {

constexpr long kReadyStateOpened = 1;
constexpr long kReadyStateComplete = 4;

_bstr_t ToBstr(const std::wstring& text) { return _bstr_t(text.c_str()); }

} // namespace

LSHttpRequestRecorder::LSHttpRequestRecorder(std::unique_ptr<ILSHttpRequest> real, RecordingPlace place)
    : m_real(std::move(real)), m_place(std::move(place))
{
}

HRESULT LSHttpRequestRecorder::Open(BSTR method, BSTR url, const VARIANT& async, const VARIANT& user,
                                    const VARIANT& password)
{
    return m_real->Open(method, url, async, user, password);
}

HRESULT LSHttpRequestRecorder::SetRequestHeader(const _bstr_t& name, const _bstr_t& value)
{
    return m_real->SetRequestHeader(name, value);
}

HRESULT LSHttpRequestRecorder::Send(const VARIANT& body, const LSCancelCheck& cancel)
{
    const HRESULT sent = m_real->Send(body, cancel);
    if (SUCCEEDED(sent)) {
        try {
            Record(body);
        } catch (const hresult_exception& error) {
            LOG(ERROR) << "LSHttpRequestRecorder::Send: " << error.what();
            return error.hr();
        }
    }
    return sent;
}

void LSHttpRequestRecorder::Record(const VARIANT& body) const
{
    const unsigned sequence = NextSequenceNumber(m_place, MockRole::Recorder);
    const std::wstring& method = GetMethod();
    const std::wstring& url = GetUrl();
    WriteRequestRecord(RecordingFilePath(m_place, sequence, RecordKind::Request, method, url), *this,
                       VariantBodyBytes(body));
    RecordedResponse response;
    response.status = GetStatus();
    response.statusText = static_cast<const wchar_t*>(GetStatusText()) ? GetStatusText() : L"";
    const _bstr_t headers = GetAllResponseHeaders();
    response.headerLines = static_cast<const wchar_t*>(headers) ? headers : L"";
    const std::vector<BYTE> replyBody = GetResponseBody();
    response.body.assign(replyBody.begin(), replyBody.end());
    WriteResponseRecord(RecordingFilePath(m_place, sequence, RecordKind::Response, method, url), response);
}

HRESULT LSHttpRequestRecorder::Abort() { return m_real->Abort(); }
long LSHttpRequestRecorder::GetReadyState() const { return m_real->GetReadyState(); }
long LSHttpRequestRecorder::GetStatus() const { return m_real->GetStatus(); }
_bstr_t LSHttpRequestRecorder::GetStatusText() const { return m_real->GetStatusText(); }
_bstr_t LSHttpRequestRecorder::GetResponseText() const { return m_real->GetResponseText(); }
std::vector<BYTE> LSHttpRequestRecorder::GetResponseBody() const { return m_real->GetResponseBody(); }
_bstr_t LSHttpRequestRecorder::GetAllResponseHeaders() const { return m_real->GetAllResponseHeaders(); }
_bstr_t LSHttpRequestRecorder::GetResponseHeader(const _bstr_t& name) const
{
    return m_real->GetResponseHeader(name);
}
const std::wstring& LSHttpRequestRecorder::GetMethod() const { return m_real->GetMethod(); }
const std::wstring& LSHttpRequestRecorder::GetUrl() const { return m_real->GetUrl(); }
const LSHttpHeaderList& LSHttpRequestRecorder::GetRequestHeaders() const { return m_real->GetRequestHeaders(); }

LSHttpRequestPlayback::LSHttpRequestPlayback(RecordingPlace place) : m_place(std::move(place)) {}

HRESULT LSHttpRequestPlayback::Open(BSTR method, BSTR url, const VARIANT&, const VARIANT&, const VARIANT&)
{
    if (method == nullptr || url == nullptr || ::SysStringLen(method) == 0 || ::SysStringLen(url) == 0)
        return E_INVALIDARG;
    RememberOpen(method, url);
    m_readyState = kReadyStateOpened;
    m_response = RecordedResponse();
    return S_OK;
}

HRESULT LSHttpRequestPlayback::SetRequestHeader(const _bstr_t& name, const _bstr_t& value)
{
    if (m_readyState != kReadyStateOpened)
        return E_UNEXPECTED;
    RememberHeader(name, value);
    return S_OK;
}

HRESULT LSHttpRequestPlayback::Send(const VARIANT&, const LSCancelCheck& cancel)
{
    if (m_readyState != kReadyStateOpened)
        return E_UNEXPECTED;
    if (cancel && cancel())
        return E_ABORT;
    const unsigned sequence = NextSequenceNumber(m_place, MockRole::Playback);
    const std::wstring path = RecordingFilePath(m_place, sequence, RecordKind::Response, GetMethod(), GetUrl());
    if (::GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
        LOG(ERROR) << "LSHttpRequestPlayback::Send: no recorded reply " << WideToUtf8Bytes(path);
        return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
    }
    try {
        m_response = ReadResponseRecord(path);
    } catch (const hresult_exception& error) {
        LOG(ERROR) << "LSHttpRequestPlayback::Send: " << error.what();
        return error.hr();
    }
    m_readyState = kReadyStateComplete;
    return S_OK;
}

HRESULT LSHttpRequestPlayback::Abort()
{
    m_readyState = 0;
    return S_OK;
}

long LSHttpRequestPlayback::GetReadyState() const { return m_readyState; }
long LSHttpRequestPlayback::GetStatus() const { return m_response.status; }
_bstr_t LSHttpRequestPlayback::GetStatusText() const { return ToBstr(m_response.statusText); }
_bstr_t LSHttpRequestPlayback::GetResponseText() const { return ToBstr(Utf8BytesToWide(m_response.body)); }

std::vector<BYTE> LSHttpRequestPlayback::GetResponseBody() const
{
    return std::vector<BYTE>(m_response.body.begin(), m_response.body.end());
}

_bstr_t LSHttpRequestPlayback::GetAllResponseHeaders() const
{
    return ToBstr(m_response.headerLines.empty() ? L"" : m_response.headerLines + L"\r\n\r\n");
}

_bstr_t LSHttpRequestPlayback::GetResponseHeader(const _bstr_t& name) const
{
    const wchar_t* wanted = name;
    const std::wstring value = FindHeaderLine(m_response.headerLines, wanted != nullptr ? wanted : L"");
    return value.empty() ? _bstr_t() : ToBstr(value);
}

} // namespace LSHttpRequestMocks
