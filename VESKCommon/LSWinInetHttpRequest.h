// A request over WinINet for the methods the system's XMLHTTP object refuses (Wine's takes only
// GET, POST, PUT and DELETE; Box's upload preflight is an OPTIONS request).
#pragma once

#include "LSHttpRequestBase.h"
#include "LSWinInet.h"

#include <memory>
#include <string>

class LSWinInetHttpRequest final : public LSHttpRequestBase {
public:
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

private:
    long m_readyState = 0;
    std::unique_ptr<WinInetRequestContext> m_context;
    std::string m_body;
};
