// JSON text a test writes or the stand-in answers, read with JsonCpp.
#pragma once

#include <json/json.h>

#include <memory>
#include <stdexcept>
#include <string>

namespace TestSupport {

// Throws std::runtime_error naming `what` when the text is no JSON.
inline Json::Value ParseJson(const std::string& text, const std::string& what = "test JSON")
{
    Json::Value value;
    std::string errors;
    const std::unique_ptr<Json::CharReader> reader(Json::CharReaderBuilder().newCharReader());
    if (!reader->parse(text.data(), text.data() + text.size(), &value, &errors))
        throw std::runtime_error(what + " is not JSON: " + errors);
    return value;
}

} // namespace TestSupport
