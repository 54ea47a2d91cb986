// The real request the factory hands out: XMLHTTP, or WinINet for a method the system's XMLHTTP
// object refuses to open. Callers cannot tell the two apart.
#pragma once

#include "ILSHttpRequest.h"

#include <memory>

class LSHttpRequest final : public ILSHttpRequest {
public:
    LSHttpRequest();

    HRESULT Open(BSTR method, BSTR url, const VARIANT& async, const VARIANT& user, const VARIANT& password) override;
    HRESULT SetRequestHeader(const _bstr_t& name, const _bstr_t& value) override;
    HRESULT Send(const VARIANT& body, const LSCancelCheck& cancel) override;
    HRESULT Abort() override;

    long GetReadyState() const override;
    long GetStatus() const override;
    _bstr_t GetStatusText() const override;
    _bstr_t GetResponseText() const override;
    std::vector<BYTE> GetResponseBody() const override;
    _bstr_t GetAllResponseHeaders() const override;
    _bstr_t GetResponseHeader(const _bstr_t& name) const override;
    const std::wstring& GetMethod() const override;
    const std::wstring& GetUrl() const override;
    const LSHttpHeaderList& GetRequestHeaders() const override;

private:
    std::unique_ptr<ILSHttpRequest> m_transport;
};
