// The real request the factory hands out: XMLHTTP for the JSON calls that send, WinINet for GET
// (whose reply is wanted as bytes, and which can be started ahead), for a method the system's
// XMLHTTP object refuses to open and for every byte or stream body. Wine's XMLHTTP never frees
// the copy it makes of a sent body, so each upload (up to 50 MiB, or 8 MiB for every part of a
// session upload) would stay in the 2 GiB of a 32-bit process for good; WinINet sends the same
// bytes and lets them go. Callers cannot tell the two apart.
#pragma once

#include "LSHttpRequestForwarder.h"

class LSHttpRequest final : public LSHttpRequestForwarder {
public:
    LSHttpRequest();

    HRESULT Open(BSTR method, BSTR url, const VARIANT& async, const VARIANT& user, const VARIANT& password) override;
    HRESULT Send(const VARIANT& body, const LSCancelCheck& cancel) override;
    HRESULT Start(const VARIANT& body, const LSCancelCheck& cancel) override;

private:
    // The request WinINet held goes over to XMLHTTP, or, for a method XMLHTTP refuses, to WinINet
    // with its usual step timeout, with its method, URL and headers in order.
    HRESULT MoveToXmlHttp();
    HRESULT CopyOpenedRequest(std::unique_ptr<ILSHttpRequest> opened);

    // A request that sends with a body over XMLHTTP unless the body is bytes.
    bool m_xmlHttpUntried = false;
    _variant_t m_async;
    _variant_t m_user;
    _variant_t m_password;
};
