#include "LSHttpRequest.h"

#include "LSWinInetHttpRequest.h"
#include "LSXmlHttpRequest.h"
#include "StdString.h"

#include <algorithm>
#include <mutex>
#include <utility>
#include <vector>

namespace {

// As long as XMLHTTP's wait for progress: a step is one block of the body, or Box's answer once
// the whole body is in, which for a large upload may take a while.
constexpr std::chrono::milliseconds kUploadStepTimeout = LSXmlHttpRequest::kDefaultNoProgressTimeout;

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

// The uncommon methods the system's XMLHTTP object refused to open. The platform's answer does not
// change, and each try creates an object for nothing: every later request goes to WinINet at once.
class RefusedMethods {
public:
    bool Contains(const CStdStr<wchar_t>& method)
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        return std::any_of(m_methods.begin(), m_methods.end(),
                           [&](const CStdStr<wchar_t>& refused) { return refused.Equals(method, false); });
    }
    void Add(const CStdStr<wchar_t>& method)
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_methods.push_back(method);
    }

private:
    std::mutex m_mutex;
    std::vector<CStdStr<wchar_t>> m_methods;
};

RefusedMethods& RefusedByXmlHttp()
{
    static RefusedMethods methods;
    return methods;
}

// Bytes and streams go over WinINet (see LSHttpRequest.h).
bool IsByteBody(const VARIANT& body) { return body.vt == (VT_ARRAY | VT_UI1) || body.vt == VT_UNKNOWN; }

} // namespace

LSHttpRequest::LSHttpRequest() : LSHttpRequestForwarder(std::make_unique<LSXmlHttpRequest>()) {}

HRESULT LSHttpRequest::Open(BSTR method, BSTR url, const VARIANT& async, const VARIANT& user, const VARIANT& password)
{
    const CStdStr<wchar_t> methodName(method);
    m_xmlHttpUntried = false;
    if (methodName.Equals(L"GET", false) || RefusedByXmlHttp().Contains(methodName)) {
        ReplaceInner(std::make_unique<LSWinInetHttpRequest>());
        return Inner().Open(method, url, async, user, password);
    }
    // Which of the two sends it shows only with the body: WinINet holds the request till then,
    // as an XMLHTTP object made for a byte body would be made for nothing.
    ReplaceInner(std::make_unique<LSWinInetHttpRequest>(kUploadStepTimeout));
    const HRESULT opened = Inner().Open(method, url, async, user, password);
    m_xmlHttpUntried = SUCCEEDED(opened);
    m_async = async;
    m_user = user;
    m_password = password;
    return opened;
}

HRESULT LSHttpRequest::Start(const VARIANT& body, const LSCancelCheck& cancel)
{
    // What XMLHTTP may still send is never begun ahead.
    return m_xmlHttpUntried ? S_FALSE : Inner().Start(body, cancel);
}

HRESULT LSHttpRequest::Send(const VARIANT& body, const LSCancelCheck& cancel)
{
    if (std::exchange(m_xmlHttpUntried, false) && !IsByteBody(body)) {
        const HRESULT moved = MoveToXmlHttp();
        if (FAILED(moved))
            return moved;
    }
    return Inner().Send(body, cancel);
}

HRESULT LSHttpRequest::MoveToXmlHttp()
{
    const CStdStr<wchar_t> method = GetMethod();
    auto xmlHttp = std::make_unique<LSXmlHttpRequest>();
    const HRESULT opened = xmlHttp->Open(_bstr_t(method.c_str()), _bstr_t(GetUrl().c_str()), m_async, m_user, m_password);
    if (SUCCEEDED(opened))
        return CopyOpenedRequest(std::move(xmlHttp));
    if (IsCommonMethod(_bstr_t(method.c_str())))
        return opened;
    RefusedByXmlHttp().Add(method);
    // WinINet takes no credentials from Open; the layer never passes any.
    auto winInet = std::make_unique<LSWinInetHttpRequest>();
    const _variant_t none;
    const HRESULT reopened =
        winInet->Open(_bstr_t(method.c_str()), _bstr_t(GetUrl().c_str()), _variant_t(true), none, none);
    return FAILED(reopened) ? reopened : CopyOpenedRequest(std::move(winInet));
}

HRESULT LSHttpRequest::CopyOpenedRequest(std::unique_ptr<ILSHttpRequest> opened)
{
    for (const auto& [name, value] : GetRequestHeaders()) {
        const HRESULT set = opened->SetRequestHeader(name.c_str(), value.c_str());
        if (FAILED(set))
            return set;
    }
    ReplaceInner(std::move(opened));
    return S_OK;
}
