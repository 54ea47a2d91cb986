#include "BoxFileOperations.h"

#include "BoxCallLoop.h"
#include "BoxConstants.h"
#include "BoxJson.h"
#include "BoxOperationFailures.h"
#include "BoxServiceTable.h"
#include "BoxUrlBuilders.h"
#include "ComDef.h"
#include "LSHttpError.h"
#include "LSHttpStatus.h"

namespace Box_20 {

bool GetFileExists(const std::wstring& fileId, ILSShutdownInformer* informer)
{
    try {
        CallBoxAPI(GetFileUrl(fileId), informer, BoxConstants().VerbGet, _variant_t(), false);
        return true;
    } catch (const LSHttpError& error) {
        if (error.GetStatus() == LSHttpStatus::kNotFound)
            return false;
        throw;
    }
}

CStdStr<wchar_t> GetFileETag(const std::wstring& fileId, ILSShutdownInformer* informer)
{
    constexpr wchar_t kPlace[] = L"Box_20::GetFileETag";
    const Json::Value reply = CallBoxAPI(GetFileETagUrl(fileId), informer, BoxConstants().VerbGet, _variant_t(), false);
    const Json::Value& etag = RequireObjectReply(reply, kPlace)["etag"];
    if (!etag.isString())
        FailOperation(kPlace, L"no etag in response from Box");
    return GetJsonString(reply, "etag");
}

bool HasChangesOnline(const std::wstring& fileId, const std::wstring& knownETag, ILSShutdownInformer* informer)
{
    return GetFileETag(fileId, informer) != knownETag;
}

void DeleteFileW(const std::wstring& fileId, ILSShutdownInformer* informer)
{
    CallBoxAPI(GetServiceUrlWithParams(ServiceDeleteFile, {{kFileIdKey, fileId}}), informer,
               BoxConstants().VerbDelete, _variant_t(), false);
}

} // namespace Box_20
