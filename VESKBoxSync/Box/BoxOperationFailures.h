// How the Box client reports a failure of its own: logged at ERROR, then thrown as ApiException
// "<operation> <condition>". The one "log, then throw" of that type.
#pragma once

#include <json/value.h>

#include <string>

namespace Box_20 {

[[noreturn]] void FailOperation(const std::wstring& place, const std::wstring& condition);

// The reply when it is a JSON object; anything else (a reply without a body included) fails the
// operation with "Json response from Box is null".
const Json::Value& RequireObjectReply(const Json::Value& reply, const wchar_t* place);

} // namespace Box_20
