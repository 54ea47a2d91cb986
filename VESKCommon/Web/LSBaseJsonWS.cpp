#include "LSBaseJsonWS.h"

#include "LSDiag.h"
#include "LSHttpRedaction.h"

#include <memory>

namespace {

// Comments are allowed but not kept, which would cost a string for every value. The builder is
// never changed after it is made, so every thread may make readers from it at once.
const Json::CharReaderBuilder& ReaderSettings()
{
    static const Json::CharReaderBuilder builder = [] {
        Json::CharReaderBuilder settings;
        settings["collectComments"] = false;
        return settings;
    }();
    return builder;
}

} // namespace

bool CLSBaseJsonWS::TryParseJson(std::string_view utf8, Json::Value& value, std::string& errors)
{
    // A reader per call, not per thread: a thread's objects with destructors are destroyed when
    // the host's thread ends, which may be after this DLL is gone.
    const std::unique_ptr<Json::CharReader> reader(ReaderSettings().newCharReader());
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
