#include "LSBaseJsonWS.h"

#include "LSDiag.h"
#include "LSHttpMessageParts.h"
#include "LSHttpRedaction.h"

#include <memory>

Json::Value CLSBaseJsonWS::ParseJsonResponse(const CStdStr<wchar_t>& text)
{
    const std::string utf8 = WideToUtf8Lossy(text);
    // The reader's defaults: comments allowed, any value at the root, trailing text ignored.
    const std::unique_ptr<Json::CharReader> reader(Json::CharReaderBuilder().newCharReader());
    Json::Value value;
    std::string errors;
    if (!reader->parse(utf8.data(), utf8.data() + utf8.size(), &value, &errors)) {
        LOG(ERROR) << "Response:\n" << LSHttpRedaction::RedactJsonMembers(utf8);
        LOG(ERROR) << "Reader error:\n" << errors;
        throw E_FAIL;
    }
    return value;
}
