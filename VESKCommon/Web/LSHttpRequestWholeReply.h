// The ground of the requests that take their reply whole within Send and answer every later
// read from memory: the WinINet request and the playback.
#pragma once

#include "LSHttpRequestBase.h"

#include <string>
#include <vector>

struct LSHttpReply {
    long status = 0;
    std::wstring statusText;
    std::wstring headerLines;  // "Name: value" lines separated by CRLF, no trailing line break
    std::string body;
};

class LSHttpRequestWholeReply : public LSHttpRequestBase {
public:
    // E_INVALIDARG for an empty method or URL; async, user and password play no part.
    HRESULT Open(BSTR method, BSTR url, const VARIANT& async, const VARIANT& user, const VARIANT& password) override;
    // E_UNEXPECTED unless opened and not yet sent, E_INVALIDARG for an empty name.
    HRESULT SetRequestHeader(const _bstr_t& name, const _bstr_t& value) override;
    HRESULT Abort() override;

    long GetReadyState() const override;
    long GetStatus() const override;
    _bstr_t GetStatusText() const override;
    _bstr_t GetResponseText() const override;
    std::vector<BYTE> GetResponseBody() const override;
    _bstr_t GetAllResponseHeaders() const override;
    _bstr_t GetResponseHeader(const _bstr_t& name) const override;

protected:
    // Whether Send may go ahead: opened and not sent yet.
    bool IsOpened() const;
    // Called by Send once the whole reply is in.
    void Complete(LSHttpReply reply);

private:
    long m_readyState = 0;
    LSHttpReply m_reply;
};
