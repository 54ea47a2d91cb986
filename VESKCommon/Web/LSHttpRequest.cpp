#include "LSHttpRequest.h"

#include "LSWinInetHttpRequest.h"
#include "LSXmlHttpRequest.h"
#include "StdString.h"

#include <algorithm>
#include <mutex>
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
    if (methodName.Equals(L"GET", false) || RefusedByXmlHttp().Contains(methodName)) {
        ReplaceInner(std::make_unique<LSWinInetHttpRequest>());
        m_openedOnXmlHttp = false;
        return Inner().Open(method, url, async, user, password);
    }
    ReplaceInner(std::make_unique<LSXmlHttpRequest>());
    const HRESULT opened = Inner().Open(method, url, async, user, password);
    m_openedOnXmlHttp = SUCCEEDED(opened);
    if (SUCCEEDED(opened) || IsCommonMethod(method))
        return opened;
    RefusedByXmlHttp().Add(methodName);
    ReplaceInner(std::make_unique<LSWinInetHttpRequest>());
    return Inner().Open(method, url, async, user, password);
}

HRESULT LSHttpRequest::Send(const VARIANT& body, const LSCancelCheck& cancel)
{
    if (IsByteBody(body) && m_openedOnXmlHttp) {
        const HRESULT reopened = ReopenOnWinInet();
        if (FAILED(reopened))
            return reopened;
    }
    return Inner().Send(body, cancel);
}

HRESULT LSHttpRequest::ReopenOnWinInet()
{
    auto winInet = std::make_unique<LSWinInetHttpRequest>(kUploadStepTimeout);
    // WinINet takes no credentials from Open; the layer never passes any.
    const _variant_t none;
    HRESULT reopened =
        winInet->Open(_bstr_t(GetMethod().c_str()), _bstr_t(GetUrl().c_str()), _variant_t(true), none, none);
    for (const auto& [name, value] : GetRequestHeaders()) {
        if (SUCCEEDED(reopened))
            reopened = winInet->SetRequestHeader(name.c_str(), value.c_str());
    }
    if (FAILED(reopened))
        return reopened;
    ReplaceInner(std::move(winInet));
    m_openedOnXmlHttp = false;
    return S_OK;
}
