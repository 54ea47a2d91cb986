// A request over WinINet: for GET (the reply is kept as the bytes that came, and the request can
// be started ahead of Send), for the methods the system's XMLHTTP object refuses (Wine's takes
// only GET, POST, PUT and DELETE; Box's upload preflight is an OPTIONS request) and for byte
// bodies (see LSHttpRequest.h).
#pragma once

#include "LSHttpRequestWholeReply.h"
#include "LSWinInet.h"

#include <chrono>
#include <memory>

class LSWinInetHttpRequest final : public LSHttpRequestWholeReply {
public:
    // stepTimeout: the longest wait for one network step; sending the whole body is one.
    explicit LSWinInetHttpRequest(std::chrono::milliseconds stepTimeout = WinInetRequestContext::kDefaultStepTimeout);

    // E_INVALIDARG also for a URL that is no absolute http or https URL.
    HRESULT Open(BSTR method, BSTR url, const VARIANT& async, const VARIANT& user, const VARIANT& password) override;
    HRESULT Start(const VARIANT& body, const LSCancelCheck& cancel) override;
    HRESULT Send(const VARIANT& body, const LSCancelCheck& cancel) override;

private:
    // Waits on the caller's thread, whose messages the host needs dispatched.
    std::unique_ptr<WinInetRequestContext> MakeContext(const LSCancelCheck& cancel) const;
    void BeginSend(WinInetRequestContext& context, const VARIANT& body) const;

    std::chrono::milliseconds m_stepTimeout;
    // The request as Start left it, until Send takes it over: begun, or the failure to begin.
    std::unique_ptr<WinInetRequestContext> m_started;
    HRESULT m_startResult = S_FALSE;
};
