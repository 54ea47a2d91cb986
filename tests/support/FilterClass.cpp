#include "FilterClass.h"

#include "VESKBoxSync.h"
#include "VESKSyncBasicsLib.h"

#include <oaidl.h>

namespace TestSupport {

const std::vector<NamedInterface>& FilterComMap()
{
#define NAMED(name) NamedInterface{&IID_##name, #name}
    static const std::vector<NamedInterface> map = {
        NAMED(IVESKBoxSyncFilter), NAMED(IDispatch), NAMED(ILSSyncFilter2), NAMED(ILSSyncFilter),
        NAMED(ISupportErrorInfo), NAMED(ILSQueryOnlinePageResults), NAMED(ILSNeedsShutdownInfo),
        NAMED(ILSManualDeletionsSyncFilter), NAMED(ILSDeleteableSyncFilter), NAMED(ILSQueryRepository),
        NAMED(ILSHeaderOnlySync), NAMED(ILSCreateableFolderSyncFilter), NAMED(ILSLockingSyncFilter),
        NAMED(ILSOnlineCheck), NAMED(ILSNeedsExtensionsCalls), NAMED(ILSQueryRepositoryChildFolders)};
#undef NAMED
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
