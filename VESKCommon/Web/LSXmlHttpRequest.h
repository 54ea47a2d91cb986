// The real request: MSXML's XMLHTTP 6.0 object, sent asynchronously while the caller's thread
// keeps dispatching its messages.
#pragma once

#include "ComPtr.h"
#include "LSHttpRequestBase.h"
#include "MsxmlInterop.h"

#include <chrono>

class LSXmlHttpRequest final : public LSHttpRequestBase {
public:
    // A reply that shows no progress for this long is given up. It must outlast the sending of
    // the largest single upload, during which XMLHTTP reports nothing; it exists because a refused
    // connection can leave the object waiting forever.
    static constexpr std::chrono::milliseconds kDefaultNoProgressTimeout = std::chrono::minutes(10);

    explicit LSXmlHttpRequest(std::chrono::milliseconds noProgressTimeout = kDefaultNoProgressTimeout);

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
    // Headers are handed to XMLHTTP at the send, in the order the server is to see them.
    HRESULT ApplyHeaders();
    // Ends the wait for a reply that is not coming (or no longer wanted).
    void AbandonTransfer();

    std::chrono::milliseconds m_noProgressTimeout;
    TalvernCommon::com_ptr<IXMLHTTPRequest> m_request;
};
