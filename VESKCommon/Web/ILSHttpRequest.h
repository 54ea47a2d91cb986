// One HTTP request and its reply, as the Box client and the web-service layer use it. Created
// only through LSHttpRequestFactory, so that a test runner can record or replay the traffic.
#pragma once

#include "ComDef.h"
#include "LSCancelCheck.h"

#include <string>
#include <utility>
#include <vector>

using LSHttpHeaderList = std::vector<std::pair<std::wstring, std::wstring>>;

class ILSHttpRequest {
public:
    virtual ~ILSHttpRequest() = default;

    // async: VT_BOOL true for an asynchronous send (the only form the layer's waits are made for);
    // user and password: empty BSTRs when the server wants none.
    virtual HRESULT Open(BSTR method, BSTR url, const VARIANT& async, const VARIANT& user,
                         const VARIANT& password) = 0;
    virtual HRESULT SetRequestHeader(const _bstr_t& name, const _bstr_t& value) = 0;

    // Sends the body (VT_EMPTY, a BSTR sent as UTF-8, VT_ARRAY | VT_UI1 bytes, or a VT_UNKNOWN
    // IStream read from its start, so that a file need not be in memory) and waits for the
    // whole reply, dispatching the calling thread's messages. E_ABORT when the cancel check asks
    // to stop (also when a transport failure surfaces at the same time),
    // HRESULT_FROM_WIN32(ERROR_INTERNET_TIMEOUT) when nothing moves for too long. Byte arrays are
    // sent from where they lie, locked meanwhile; a send given up while the transport may still
    // read the array leaves it locked until the transport is done with it. A byte or stream body
    // over 1 MiB goes out in blocks and only under a "Content-MD5" or "Digest" header that the
    // server checks it by (E_INVALIDARG before anything is sent otherwise): given up between its
    // blocks, its rest goes out as zeros, which the server then refuses.
    virtual HRESULT Send(const VARIANT& body, const LSCancelCheck& cancel) = 0;
    // Begins the send without waiting, where the transport can, so that the reply travels while
    // the caller does other work; Send then waits for that reply (and reports a failure to begin)
    // and must be given the same body. S_FALSE where nothing was begun: Send then does it all.
    virtual HRESULT Start(const VARIANT& body, const LSCancelCheck& cancel)
    {
        (void)body;
        (void)cancel;
        return S_FALSE;
    }
    virtual HRESULT Abort() = 0;

    // 0 before Open, 4 once the reply is complete.
    virtual long GetReadyState() const = 0;
    // 0 and empty texts until a reply has arrived; the reads never fail.
    virtual long GetStatus() const = 0;
    virtual _bstr_t GetStatusText() const = 0;
    virtual _bstr_t GetResponseText() const = 0;
    virtual std::vector<BYTE> GetResponseBody() const = 0;
    // "Name: value" lines separated by CRLF, as the server sent them.
    virtual _bstr_t GetAllResponseHeaders() const = 0;
    virtual _bstr_t GetResponseHeader(const _bstr_t& name) const = 0;

    // What was opened and set, for logs and recordings.
    virtual const std::wstring& GetMethod() const = 0;
    virtual const std::wstring& GetUrl() const = 0;
    virtual const LSHttpHeaderList& GetRequestHeaders() const = 0;
};
