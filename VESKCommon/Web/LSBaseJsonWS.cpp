#include "LSBaseJsonWS.h"

#include "LSDiag.h"
#include "LSHttpRedaction.h"

#include <memory>

bool CLSBaseJsonWS::TryParseJson(std::string_view utf8, Json::Value& value, std::string& errors)
{
    // A reader per call, from one builder: a thread_local reader is destroyed when its thread ends,
    // after the runtime may have freed the thread's storage, which crashed the caller's thread.
    // Comments are allowed but not kept, which would cost a string for every value.
    static const Json::CharReaderBuilder builder = [] {
        Json::CharReaderBuilder settings;
        settings["collectComments"] = false;
        return settings;
    }();
    const std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
    if (reader->parse(utf8.data(), utf8.data() + utf8.size(), &value, &errors))
        return true;
    value = Json::Value();
    return false;
}

std::string CLSBaseJsonWS::ReplyBytes(const ILSHttpRequest& request)
{
    const std::vector<BYTE> body = request.GetResponseBody();
    return std::string(body.begin(), body.end());
}

Json::Value CLSBaseJsonWS::ParseJsonResponse(std::string_view utf8)
{
    Json::Value value;
    std::string errors;
    if (!TryParseJson(utf8, value, errors)) {
        LOG(ERROR) << "Response:\n" << LSHttpRedaction::RedactJsonMembers(utf8);
        LOG(ERROR) << "Reader error:\n" << errors;
        throw E_FAIL;
    }
    return value;
}
