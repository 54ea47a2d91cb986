#include "BoxLocks.h"

#include "BoxCallLoop.h"
#include "BoxConstants.h"
#include "BoxListingRecords.h"
#include "BoxOperationFailures.h"
#include "BoxRequestBodies.h"
#include "BoxServiceTable.h"
#include "BoxUrlBuilders.h"
#include "ComDef.h"
#include "StdString.h"

namespace Box_20 {

namespace {

// Box's way to remove a lock: the file's "lock" set to null.
constexpr wchar_t kUnlockJson[] = L"{\"lock\":null}\n";

bool ReplyShowsLock(const Json::Value& reply, const wchar_t* place)
{
    return ReadLockInForce(RequireObjectReply(reply, place)["lock"]) != nullptr;
}

Json::Value CallLockService(unsigned service, const std::wstring& fileId, ILSShutdownInformer* informer,
                            const CStdStr<wchar_t>& method, const _variant_t& body)
{
    return CallBoxAPI(GetServiceUrlWithParams(service, {{kFileIdKey, fileId}}), informer, method, body, false);
}

} // namespace

void CheckoutFile(const std::wstring& fileId, ILSShutdownInformer* informer)
{
    constexpr wchar_t kPlace[] = L"Box_20::CheckoutFile";
    const CStdStr<wchar_t> body = BuildLockJson();
    const Json::Value reply =
        CallLockService(ServiceLockFile, fileId, informer, BoxConstants().VerbPut, _variant_t(body.c_str()));
    if (!ReplyShowsLock(reply, kPlace))
        FailOperation(kPlace, L"Box reports no lock on the file");
}

void CancelCheckoutFile(const std::wstring& fileId, ILSShutdownInformer* informer)
{
    constexpr wchar_t kPlace[] = L"Box_20::CancelCheckoutFile";
    const Json::Value reply =
        CallLockService(ServiceUnlockFile, fileId, informer, BoxConstants().VerbPut, _variant_t(kUnlockJson));
    if (ReplyShowsLock(reply, kPlace))
        FailOperation(kPlace, L"the file is still locked");
}

bool IsFileCheckedOut(const std::wstring& fileId, ILSShutdownInformer* informer)
{
    const Json::Value reply =
        CallLockService(ServiceFileLock, fileId, informer, BoxConstants().VerbGet, _variant_t());
    return ReplyShowsLock(reply, L"Box_20::IsFileCheckedOut");
}

} // namespace Box_20
