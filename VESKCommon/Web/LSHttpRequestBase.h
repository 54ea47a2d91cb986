// What every request implementation keeps of its own request: method, URL and headers in order.
#pragma once

#include "BstrText.h"
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

    // A header set again keeps its first place and takes the new value.
    void RememberHeader(const _bstr_t& name, const _bstr_t& value)
    {
        const std::wstring nameText = BstrText(name);
        const std::wstring valueText = BstrText(value);
        for (auto& [knownName, knownValue] : m_headers) {
            if (::CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE, knownName.c_str(), -1, nameText.c_str(), -1) ==
                CSTR_EQUAL) {
                knownValue = valueText;
                return;
            }
        }
        m_headers.emplace_back(nameText, valueText);
    }

private:
    std::wstring m_method;
    std::wstring m_url;
    LSHttpHeaderList m_headers;
};
