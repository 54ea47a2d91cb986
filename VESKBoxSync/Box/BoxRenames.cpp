#include "BoxRenames.h"

#include "BoxCallLoop.h"
#include "BoxConstants.h"
#include "BoxJson.h"
#include "BoxOperationFailures.h"
#include "BoxRequestBodies.h"
#include "BoxServiceTable.h"
#include "BoxUrlBuilders.h"
#include "ComDef.h"

namespace Box_20 {

namespace {

CStdStr<wchar_t> Rename(unsigned service, const wchar_t* idKey, const std::wstring& id, ILSShutdownInformer* informer,
                        const std::wstring& newName, const wchar_t* place)
{
    const CStdStr<wchar_t> body = BuildRenameJson(newName);
    const Json::Value reply = CallBoxAPI(GetServiceUrlWithParams(service, {{idKey, id}}), informer,
                                         BoxConstants().VerbPut, _variant_t(body.c_str()), false);
    RequireObjectReply(reply, place);
    if (GetJsonString(reply, "name") != newName)
        FailOperation(place, L"name in response from Box differs from the requested name");
    const CStdStr<wchar_t> confirmedId = GetJsonString(reply, "id");
    if (confirmedId.empty())
        FailOperation(place, L"no id in response from Box");
    return confirmedId;
}

} // namespace

CStdStr<wchar_t> RenameFile(const std::wstring& fileId, ILSShutdownInformer* informer, const std::wstring& newName)
{
    return Rename(ServiceRenameFile, kFileIdKey, fileId, informer, newName, L"Box_20::RenameFile");
}

CStdStr<wchar_t> RenameFolder(const std::wstring& folderId, ILSShutdownInformer* informer,
                              const std::wstring& newName)
{
    return Rename(ServiceRenameFolder, kFolderIdKey, folderId, informer, newName, L"Box_20::RenameFolder");
}

} // namespace Box_20
