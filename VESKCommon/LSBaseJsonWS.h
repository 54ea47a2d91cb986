// The web-service functions of JSON clients: the one way a JSON reply is parsed.
#pragma once

#include "ILSHttpRequest.h"
#include "LSBaseWS.h"

#include <json/json.h>

#include <string>
#include <string_view>

class CLSBaseJsonWS : public CLSBaseWS {
public:
    // Parses UTF-8 bytes with the reader's defaults (comments allowed, any value at the root,
    // trailing text ignored). False, with value null and the parser's messages in errors, when
    // they do not parse.
    static bool TryParseJson(std::string_view utf8, Json::Value& value, std::string& errors);

    // The parsed UTF-8 bytes. Bytes that do not parse are logged at ERROR ("Response:\n" with
    // them, secrets redacted, "Reader error:\n" with the parser's messages) and throw the bare
    // HRESULT E_FAIL.
    static Json::Value ParseJsonResponse(std::string_view utf8);

    // The reply's body as it came, without a detour through UTF-16.
    static std::string ReplyBytes(const ILSHttpRequest& request);
};
