#include "CVESKBoxSyncFilter.h"

#include "LSModule.h"

HRESULT VESKBoxSyncFilterTypeInfo::Load(ITypeInfo** info) noexcept
{
    return LSLoadModuleTypeInfo(GetModuleInstanceHandle(), IID_IVESKBoxSyncFilter, info);
}

HRESULT HostSyncFilterTypeInfo::Load(ITypeInfo** info) noexcept
{
    return LSLoadRegisteredTypeInfo(LIBID_VESKSyncBasicsLib, 1, 0, IID_ILSSyncFilter2, info);
}

const CVESKBoxSyncFilter::InterfaceMapType& CVESKBoxSyncFilter::InterfaceMap() noexcept
{
    using T = CVESKBoxSyncFilter;
    static const InterfaceMapType map = {
        LSInterface<T, IVESKBoxSyncFilter>(),
        LSInterface<T, IDispatch, ILSSyncFilter2>(),
        LSInterface<T, ILSSyncFilter2>(),
        LSInterface<T, ILSSyncFilter>(),
        LSInterface<T, ISupportErrorInfo>(),
        LSInterface<T, ILSQueryOnlinePageResults>(),
        LSInterface<T, ILSNeedsShutdownInfo>(),
        LSInterface<T, ILSManualDeletionsSyncFilter>(),
        LSInterface<T, ILSDeleteableSyncFilter>(),
        LSInterface<T, ILSQueryRepository>(),
        LSInterface<T, ILSHeaderOnlySync>(),
        LSInterface<T, ILSCreateableFolderSyncFilter>(),
        LSInterface<T, ILSLockingSyncFilter>(),
        LSInterface<T, ILSOnlineCheck>(),
        LSInterface<T, ILSNeedsExtensionsCalls>(),
        LSInterface<T, ILSQueryRepositoryChildFolders>(),
    };
    return map;
}

HRESULT STDMETHODCALLTYPE CVESKBoxSyncFilter::InterfaceSupportsErrorInfo(REFIID iid)
{
    return iid == IID_IVESKBoxSyncFilter ? S_OK : S_FALSE;
}
