#include "FilterClass.h"

#include "VESKBoxSync.h"
#include "VESKSyncBasicsLib.h"

#include <oaidl.h>

namespace TestSupport {

const std::vector<NamedInterface>& FilterComMap()
{
    static const std::vector<NamedInterface> map = {
        {&IID_IVESKBoxSyncFilter, "IVESKBoxSyncFilter"},
        {&IID_IDispatch, "IDispatch"},
        {&IID_ILSSyncFilter2, "ILSSyncFilter2"},
        {&IID_ILSSyncFilter, "ILSSyncFilter"},
        {&IID_ISupportErrorInfo, "ISupportErrorInfo"},
        {&IID_ILSQueryOnlinePageResults, "ILSQueryOnlinePageResults"},
        {&IID_ILSNeedsShutdownInfo, "ILSNeedsShutdownInfo"},
        {&IID_ILSManualDeletionsSyncFilter, "ILSManualDeletionsSyncFilter"},
        {&IID_ILSDeleteableSyncFilter, "ILSDeleteableSyncFilter"},
        {&IID_ILSQueryRepository, "ILSQueryRepository"},
        {&IID_ILSHeaderOnlySync, "ILSHeaderOnlySync"},
        {&IID_ILSCreateableFolderSyncFilter, "ILSCreateableFolderSyncFilter"},
        {&IID_ILSLockingSyncFilter, "ILSLockingSyncFilter"},
        {&IID_ILSOnlineCheck, "ILSOnlineCheck"},
        {&IID_ILSNeedsExtensionsCalls, "ILSNeedsExtensionsCalls"},
        {&IID_ILSQueryRepositoryChildFolders, "ILSQueryRepositoryChildFolders"},
    };
    return map;
}

CurrentVersion FollowCurVer(const wchar_t* versionIndependentProgId)
{
    CurrentVersion current;
    wchar_t progId[256] = {};
    DWORD size = sizeof(progId);
    if (::RegGetValueW(HKEY_CLASSES_ROOT, (std::wstring(versionIndependentProgId) + L"\\CurVer").c_str(), nullptr,
                       RRF_RT_REG_SZ, nullptr, progId, &size) != ERROR_SUCCESS)
        return current;
    current.progId = progId;
    CLSID clsid = GUID_NULL;
    current.hr = ::CLSIDFromProgID(progId, &clsid);
    if (SUCCEEDED(current.hr))
        current.clsid = clsid;
    return current;
}

} // namespace TestSupport
