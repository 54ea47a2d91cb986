// How the Box operations report a reply they cannot use: logged at ERROR, then thrown as
// ApiException "<operation> <condition>".
#pragma once

#include <json/value.h>

#include <string>

namespace Box_20 {

[[noreturn]] void FailOperation(const wchar_t* place, const std::wstring& condition);

// The reply when it is a JSON object; anything else (a reply without a body included) fails the
// operation with "Json response from Box is null".
const Json::Value& RequireObjectReply(const Json::Value& reply, const wchar_t* place);

} // namespace Box_20
