// One request as the stand-in's journal recorded it.
#pragma once

#include <json/json.h>

#include <string>

namespace TestSupport {

// The value of the request's first header of that name (any letter case); empty when it has none.
std::string JournalHeader(const Json::Value& entry, const std::string& name);
// The request's body as it arrived.
std::string JournalBody(const Json::Value& entry);

} // namespace TestSupport
