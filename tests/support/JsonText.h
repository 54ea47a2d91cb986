// JSON text a test writes or the stand-in answers, read with JsonCpp.
#pragma once

#include <json/json.h>

#include <string>

namespace TestSupport {

// Throws std::runtime_error naming `what` when the text is no JSON.
Json::Value ParseJson(const std::string& text, const std::string& what = "test JSON");

} // namespace TestSupport
