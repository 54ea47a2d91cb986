// The web-service functions of JSON clients.
#pragma once

#include "LSBaseWS.h"
#include "LSDiag.h"
#include "Utf8Converter.h"

#include <json/json.h>

#include <memory>
#include <optional>
#include <stdexcept>
#include <vector>

class CLSBaseJsonWS : public CLSBaseWS {
public:
    // The parsed reply. A text that does not parse is logged at ERROR ("Response:\n" with the
    // text, "Reader error:\n" with the parser's messages) and throws the bare HRESULT E_FAIL.
    static Json::Value ParseJsonResponse(const CStdStr<wchar_t>& text);

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
    const std::unique_ptr<Json::CharReader> reader(Json::CharReaderBuilder().newCharReader());
    Json::Value root;
    std::string errors;
    if (!reader->parse(utf8.data(), utf8.data() + utf8.size(), &root, &errors)) {
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
