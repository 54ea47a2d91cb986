#include "BoxFolderOperations.h"

#include "BoxCallLoop.h"
#include "BoxConstants.h"
#include "BoxExceptions.h"
#include "BoxJson.h"
#include "BoxListingRecords.h"
#include "BoxOperationFailures.h"
#include "BoxRequestBodies.h"
#include "BoxServiceTable.h"
#include "BoxUrlBuilders.h"
#include "ComDef.h"
#include "LSDiag.h"
#include "LSHttpError.h"

namespace Box_20 {

namespace {


FolderRecord ReadFolder(unsigned service, const std::wstring& folderId, ILSShutdownInformer* informer,
                        const wchar_t* place)
{
    const Json::Value reply = CallBoxAPI(GetServiceUrlWithParams(service, {{kFolderIdKey, folderId}}), informer,
                                         BoxConstants().VerbGet, _variant_t(), false);
    if (!IsFolderEntry(RequireObjectReply(reply, place)))
        FailOperation(place, L"response from Box is no folder");
    return CreateFolderRecord(reply);
}

} // namespace

FolderRecord GetFolderInfo(const std::wstring& folderId, ILSShutdownInformer* informer)
{
    return ReadFolder(ServiceFolderInfo, folderId, informer, L"Box_20::GetFolderInfo");
}

FolderRecord GetFolderInfoWithPath(const std::wstring& folderId, ILSShutdownInformer* informer)
{
    return ReadFolder(ServiceFolderInfoWithPath, folderId, informer, L"Box_20::GetFolderInfoWithPath");
}

bool VerifyFolder(const std::wstring& folderId, ILSShutdownInformer* informer)
{
    // An id that is no Box id names no folder; asking Box would only fail on the address.
    if (folderId.empty() || folderId.find_first_not_of(L"0123456789") != std::wstring::npos) {
        LOG(ERROR) << " Box_20::VerifyFolder no Box folder id: " << LSDiag::LogText(folderId) << "\n";
        return false;
    }
    try {
        GetFolderInfo(folderId, informer);
        return true;
    } catch (const ApiException& error) {
        LOG(ERROR) << " " << LSDiag::LogText(error.GetText()) << "\n";
    } catch (const LSHttpError& error) {
        LOG(ERROR) << ":Error : " << LSDiag::LogText(error.FormatMessage()) << "\n";
    }
    return false;
}

CStdStr<wchar_t> CreateFolder(const std::wstring& name, ILSShutdownInformer* informer,
                              const std::wstring& parentFolderId)
{
    constexpr wchar_t kPlace[] = L"Box_20::CreateFolder";
    const CStdStr<wchar_t> body = BuildCreateFolderJson(name, parentFolderId);
    const Json::Value reply = CallBoxAPI(GetServiceUrl(ServiceCreateFolder), informer, BoxConstants().VerbPost,
                                         _variant_t(body.c_str()), false);
    const CStdStr<wchar_t> id = GetJsonString(RequireObjectReply(reply, kPlace), "id");
    if (id.empty())
        FailOperation(kPlace, L"no folder id in response from Box");
    return id;
}

void DeleteFolder(const std::wstring& folderId, ILSShutdownInformer* informer)
{
    CallBoxAPI(GetServiceUrlWithParams(ServiceDeleteFolder, {{kFolderIdKey, folderId}}), informer,
               BoxConstants().VerbDelete, _variant_t(), false);
}

} // namespace Box_20
