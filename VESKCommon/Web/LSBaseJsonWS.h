// The web-service functions of JSON clients: the one way a JSON reply is parsed.
#pragma once

#include "ILSHttpRequest.h"
#include "LSBaseWS.h"
#include "LSDiag.h"
#include "Utf8Converter.h"

#include <json/json.h>

#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

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

    // The elements of a JSON array (or the member values of an object, by name), each converted.
    // Absent for an empty text, a text that does not parse, or an element that fails to convert
    // (logged at ERROR); any other root gives an empty list.
    template <typename T, typename Convert>
    static std::optional<std::vector<T>> ParseJsonListToVector(const CStdStr<wchar_t>& text, Convert convert);
};

template <typename T, typename Convert>
std::optional<std::vector<T>> CLSBaseJsonWS::ParseJsonListToVector(const CStdStr<wchar_t>& text, Convert convert)
{
    if (text.empty())
        return std::nullopt;
    const std::string utf8 = WideToUtf8Lossy(text);
    Json::Value root;
    std::string errors;
    if (!TryParseJson(utf8, root, errors)) {
        LOG(ERROR) << "Error parsing json: " << utf8;
        return std::nullopt;
    }
    try {
        std::vector<T> converted;
        if (root.isArray() || root.isObject()) {
            for (const Json::Value& element : root)
                converted.push_back(convert(element));
        }
        return converted;
    } catch (const std::exception& failure) {
        LOG(ERROR) << "Invalid JSON when parsing: " << utf8;
        LOG(ERROR) << "Error: " << failure.what();
    } catch (...) {
        LSDiag::HandleInterfaceException("CLSBaseJsonWS::ParseJsonListToVector", __FILE__, __LINE__);
    }
    LOG(ERROR) << "Error parsing: " << utf8;
    return std::nullopt;
}
