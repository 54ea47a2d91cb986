#include "JsonText.h"

#include <memory>
#include <stdexcept>

namespace TestSupport {

Json::Value ParseJson(const std::string& text, const std::string& what)
{
    Json::Value value;
    std::string errors;
    const std::unique_ptr<Json::CharReader> reader(Json::CharReaderBuilder().newCharReader());
    if (!reader->parse(text.data(), text.data() + text.size(), &value, &errors))
        throw std::runtime_error(what + " is not JSON: " + errors);
    return value;
}

} // namespace TestSupport
