#include "BoxUserOperations.h"

#include "BoxCallLoop.h"
#include "BoxConstants.h"
#include "BoxJson.h"
#include "BoxOperationFailures.h"
#include "BoxServiceTable.h"
#include "BoxUrlBuilders.h"
#include "ComDef.h"
#include "LSDiag.h"

namespace Box_20 {

namespace {
constexpr wchar_t kPlace[] = L"Box_20::GetUserInfo";
} // namespace

UserInfo GetUserInfo(ILSShutdownInformer* informer)
{
    const Json::Value reply = CallBoxAPI(GetServiceUrl(ServiceUserInfo), informer, BoxConstants().VerbGet,
                                         _variant_t(), false);
    if (GetJsonString(reply, "type") != L"user") {
        LOG(ERROR) << " Get User Info request failed: Incorrect type returned from Box\n";
        FailOperation(kPlace, L"type != USER_TYPE");
    }
    const Json::Value& enterprise = reply["enterprise"];
    if (!enterprise.isObject())
        FailOperation(kPlace, L"Json enterprise info from Box is null");
    return UserInfo(GetJsonString(reply, "id"), GetJsonString(reply, "name"), GetJsonString(reply, "login"),
                    GetJsonString(enterprise, "id"));
}

} // namespace Box_20
