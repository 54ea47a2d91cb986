#include "BoxUploadReplies.h"

#include "BoxExceptions.h"
#include "BoxOperationFailures.h"
#include "BoxJson.h"
#include "LSDiag.h"
#include "Utf8Converter.h"

#include <json/writer.h>

namespace Box_20 {

namespace {

[[noreturn]] void FailOnReply(const std::wstring& place, const std::wstring& condition, const Json::Value& reply)
{
    LOG(ERROR) << Json::FastWriter().write(reply);
    FailOperation(place, condition);
}

CStdStr<wchar_t> RequiredText(const Json::Value& object, const char* name, const std::wstring& place,
                              const Json::Value& reply)
{
    CStdStr<wchar_t> text = GetJsonString(object, name);
    if (text.empty())
        FailOnReply(place, L"Box's reply has no \"" + GetThreadUtf8Converter().from_bytes(name) + L"\"", reply);
    return text;
}

int64_t RequiredInteger(const Json::Value& object, const char* name, const std::wstring& place,
                        const Json::Value& reply)
{
    const Json::Value& value = object.isObject() ? object[name] : Json::Value::nullSingleton();
    if (!value.isInt64())
        FailOnReply(place, L"Box's reply has no integer \"" + GetThreadUtf8Converter().from_bytes(name) + L"\"",
                    reply);
    return value.asInt64();
}

} // namespace

CStdStr<wchar_t> GetUploadedFileId(const Json::Value& reply, const std::wstring& place)
{
    const Json::Value& entries = reply.isObject() ? reply["entries"] : Json::Value::nullSingleton();
    const Json::Value& first = entries.isArray() && !entries.empty() ? entries[0] : Json::Value::nullSingleton();
    return RequiredText(first, "id", place, reply);
}

UploadSessionRecord ReadUploadSession(const Json::Value& reply, const std::wstring& place)
{
    UploadSessionRecord session;
    session.Id = RequiredText(reply, "id", place, reply);
    session.PartSize = RequiredInteger(reply, "part_size", place, reply);
    if (session.PartSize < 1 || session.PartSize > kMaxUploadPartSize)
        FailOnReply(place, L"Box's part size " + std::to_wstring(session.PartSize) + L" is out of range", reply);
    const Json::Value& endpoints = reply.isObject() ? reply["session_endpoints"] : Json::Value::nullSingleton();
    session.UploadPartUrl = RequiredText(endpoints, "upload_part", place, reply);
    session.CommitUrl = RequiredText(endpoints, "commit", place, reply);
    session.AbortUrl = RequiredText(endpoints, "abort", place, reply);
    return session;
}

UploadPartRecord ReadUploadedPart(const Json::Value& reply, const std::wstring& place)
{
    const Json::Value& part = reply.isObject() ? reply["part"] : Json::Value::nullSingleton();
    UploadPartRecord record;
    record.PartId = RequiredText(part, "part_id", place, reply);
    record.Offset = RequiredInteger(part, "offset", place, reply);
    record.Size = RequiredInteger(part, "size", place, reply);
    return record;
}

} // namespace Box_20
