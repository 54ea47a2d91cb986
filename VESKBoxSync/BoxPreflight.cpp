#include "BoxPreflight.h"

#include "BoxCallLoop.h"
#include "BoxConstants.h"
#include "BoxExceptions.h"
#include "BoxLocalUploadFile.h"
#include "BoxRequestBodies.h"
#include "BoxServiceTable.h"
#include "BoxUrlBuilders.h"
#include "LSDiag.h"

#include <string>

namespace Box_20 {

namespace {

bool AskBox(ILSPropertyMap* propertyMap, const UploadFileRecord& record, ILSShutdownInformer* informer,
            const CStdStr<wchar_t>& url, const std::wstring& place)
{
    // Box would take a size that the file does not hold: check it before asking.
    const LocalUploadFile checkedFile(record.LocalPath, record.Size, place);
    const _variant_t body(BuildPreflightJson(record.Name, record.ParentFolderId, record.Size).c_str());
    try {
        CallBoxAPIWithRichErrorLogging(propertyMap, informer, url, BoxConstants().VerbOptions, body, false);
        return true;
    } catch (const ApiException& refusal) {
        // The call recorded Box's reason on the item.
        LOG(ERROR) << LSDiag::LogText(place) << " " << refusal.what();
        return false;
    }
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
