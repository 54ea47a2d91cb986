#include "BoxOperationFailures.h"

#include "BoxExceptions.h"
#include "LSDiag.h"

namespace Box_20 {

void FailOperation(const std::wstring& place, const std::wstring& condition)
{
    const ApiException failure = JoinWithSpace(place, condition);
    LOG(ERROR) << " " << LSDiag::LogText(failure.GetText()) << "\n";
    throw failure;
}

const Json::Value& RequireObjectReply(const Json::Value& reply, const wchar_t* place)
{
    if (!reply.isObject())
        FailOperation(place, L"Json response from Box is null");
    return reply;
}

} // namespace Box_20
