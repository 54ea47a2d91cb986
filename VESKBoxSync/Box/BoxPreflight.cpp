#include "BoxPreflight.h"

#include "BoxCallLoop.h"
#include "BoxConstants.h"
#include "BoxErrors.h"
#include "BoxExceptions.h"
#include "BoxJson.h"
#include "BoxLocalUploadFile.h"
#include "BoxRequestBodies.h"
#include "BoxServiceTable.h"
#include "BoxUrlBuilders.h"
#include "LSBaseJsonWS.h"
#include "LSDiag.h"
#include "LSHttpError.h"
#include "LSHttpStatus.h"
#include "Utf8Converter.h"

#include <memory>
#include <string>

namespace Box_20 {

namespace {

// Box's word that it would not take this file (a name in use, no room, no right to upload): a
// client error with Box's error body. A throttled or failed server, a refused sign-in or a reply
// Box never wrote says nothing about the file.
bool IsBoxRefusal(const LSHttpError& error)
{
    const int32_t status = error.GetStatus();
    if (status < 400 || status > 499 || status == LSHttpStatus::kUnauthorized ||
        status == LSHttpStatus::kTooManyRequests)
        return false;
    try {
        return GetJsonString(CLSBaseJsonWS::ParseJsonResponse(WideToUtf8Lossy(error.GetDetail())), "type") == L"error";
    } catch (HRESULT) {
        return false;
    }
}

bool AskBox(ILSPropertyMap* propertyMap, const UploadFileRecord& record, ILSShutdownInformer* informer,
            const CStdStr<wchar_t>& url, const std::wstring& place)
{
    // Box would take a size that the file does not hold: check it before asking.
    const LocalUploadFile checkedFile(record.LocalPath, record.Size, place);
    const _variant_t body(BuildPreflightJson(record.Name, record.ParentFolderId, record.Size).c_str());
    std::unique_ptr<ILSHttpRequest> request;
    try {
        CallBoxAPIWithRetry(request, url, informer, BoxConstants().VerbOptions, body, false);
    } catch (const LSHttpError& error) {
        const CStdStr<wchar_t> boxError = HandleError(request, propertyMap);
        const ApiException failure = JoinWithSpace(place, boxError.empty() ? error.FormatMessage() : boxError);
        LOG(ERROR) << failure.what();
        if (IsBoxRefusal(error))
            return false;
        throw failure;
    }
    try {
        CLSBaseJsonWS::ParseJsonResponse(CLSBaseJsonWS::ReplyBytes(*request));
    } catch (HRESULT) {
        throw JoinWithSpace(place, L"failed to parse response");
    }
    return true;
}

} // namespace

bool Preflight(ILSPropertyMap* propertyMap, const UploadFileRecord& record, ILSShutdownInformer* informer,
               const CStdStr<wchar_t>& preflightUrl)
{
    return AskBox(propertyMap, record, informer, preflightUrl, L"Box_20::Preflight");
}

bool PreflightFileVersion(ILSPropertyMap* propertyMap, const UploadFileRecord& record, ILSShutdownInformer* informer)
{
    return AskBox(propertyMap, record, informer,
                  GetServiceUrlWithParams(ServicePreflightFileVersion, {{kFileIdKey, record.FileId}}),
                  L"Box_20::PreflightFileVersion");
}

} // namespace Box_20
