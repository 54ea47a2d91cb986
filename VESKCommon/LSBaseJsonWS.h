// The web-service functions of JSON clients.
#pragma once

#include "LSBaseWS.h"

#include <json/json.h>

class CLSBaseJsonWS : public CLSBaseWS {
public:
    // The parsed reply. A text that does not parse is logged at ERROR ("Response:\n" with the
    // text, "Reader error:\n" with the parser's messages) and throws the bare HRESULT E_FAIL.
    static Json::Value ParseJsonResponse(const CStdStr<wchar_t>& text);
};
