// A request over WinINet: for the methods the system's XMLHTTP object refuses (Wine's takes only
// GET, POST, PUT and DELETE; Box's upload preflight is an OPTIONS request) and for byte bodies
// (see LSHttpRequest.h).
#pragma once

#include "LSHttpRequestWholeReply.h"
#include "LSWinInet.h"

#include <chrono>

class LSWinInetHttpRequest final : public LSHttpRequestWholeReply {
public:
    // stepTimeout: the longest wait for one network step; sending the whole body is one.
    explicit LSWinInetHttpRequest(std::chrono::milliseconds stepTimeout = WinInetRequestContext::kDefaultStepTimeout);

    HRESULT Send(const VARIANT& body, const LSCancelCheck& cancel) override;

private:
    std::chrono::milliseconds m_stepTimeout;
};
