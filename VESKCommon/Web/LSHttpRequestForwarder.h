// The ground of every request that wraps another: each call goes to the inner request, so a
// wrapper overrides only the calls it changes.
#pragma once

#include "ILSHttpRequest.h"

#include <memory>

class LSHttpRequestForwarder : public ILSHttpRequest {
public:
    HRESULT Open(BSTR method, BSTR url, const VARIANT& async, const VARIANT& user, const VARIANT& password) override
    {
        return m_inner->Open(method, url, async, user, password);
    }
    HRESULT SetRequestHeader(const _bstr_t& name, const _bstr_t& value) override
    {
        return m_inner->SetRequestHeader(name, value);
    }
    HRESULT Send(const VARIANT& body, const LSCancelCheck& cancel) override { return m_inner->Send(body, cancel); }
    HRESULT Start(const VARIANT& body, const LSCancelCheck& cancel) override { return m_inner->Start(body, cancel); }
    HRESULT Abort() override { return m_inner->Abort(); }

    long GetReadyState() const override { return m_inner->GetReadyState(); }
    long GetStatus() const override { return m_inner->GetStatus(); }
    _bstr_t GetStatusText() const override { return m_inner->GetStatusText(); }
    _bstr_t GetResponseText() const override { return m_inner->GetResponseText(); }
    std::vector<BYTE> GetResponseBody() const override { return m_inner->GetResponseBody(); }
    _bstr_t GetAllResponseHeaders() const override { return m_inner->GetAllResponseHeaders(); }
    _bstr_t GetResponseHeader(const _bstr_t& name) const override { return m_inner->GetResponseHeader(name); }
    const std::wstring& GetMethod() const override { return m_inner->GetMethod(); }
    const std::wstring& GetUrl() const override { return m_inner->GetUrl(); }
    const LSHttpHeaderList& GetRequestHeaders() const override { return m_inner->GetRequestHeaders(); }

protected:
    // inner: never null.
    explicit LSHttpRequestForwarder(std::unique_ptr<ILSHttpRequest> inner) : m_inner(std::move(inner)) {}

    ILSHttpRequest& Inner() const { return *m_inner; }
    void ReplaceInner(std::unique_ptr<ILSHttpRequest> inner) { m_inner = std::move(inner); }

private:
    std::unique_ptr<ILSHttpRequest> m_inner;
};
