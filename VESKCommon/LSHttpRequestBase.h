// What every request implementation keeps of its own request: method, URL and headers in order.
#pragma once

#include "ILSHttpRequest.h"

class LSHttpRequestBase : public ILSHttpRequest {
public:
    const std::wstring& GetMethod() const override { return m_method; }
    const std::wstring& GetUrl() const override { return m_url; }
    const LSHttpHeaderList& GetRequestHeaders() const override { return m_headers; }

protected:
    void RememberOpen(BSTR method, BSTR url)
    {
        m_method = method != nullptr ? method : L"";
        m_url = url != nullptr ? url : L"";
        m_headers.clear();
    }

    void RememberHeader(const _bstr_t& name, const _bstr_t& value)
    {
        m_headers.emplace_back(static_cast<const wchar_t*>(name) ? static_cast<const wchar_t*>(name) : L"",
                               static_cast<const wchar_t*>(value) ? static_cast<const wchar_t*>(value) : L"");
    }

private:
    std::wstring m_method;
    std::wstring m_url;
    LSHttpHeaderList m_headers;
};
