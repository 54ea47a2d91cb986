// The COM class the host creates: the Box filter object with its identity, its error-info answer
// and the IDispatch of its two dual interfaces.
#pragma once

#include "LSDispatchImpl.h"
#include "LSInterfaceMap.h"
#include "VESKBoxSync.h"
#include "VESKBoxSyncFilterImpl.h"

#include <oaidl.h>

// The class's own interface, described by the type library the DLL carries.
struct VESKBoxSyncFilterTypeInfo {
    using Interface = IVESKBoxSyncFilter;
    static HRESULT Load(ITypeInfo** info) noexcept;
};

// The host's sync-filter interface, described by the host's registered type library: late-bound
// calls reach the filter's methods.
struct HostSyncFilterTypeInfo {
    using Interface = ILSSyncFilter2;
    static HRESULT Load(ITypeInfo** info) noexcept;
};

class CVESKBoxSyncFilter : public ISupportErrorInfo,
                           public LSDispatchImpl<IVESKBoxSyncFilter, VESKBoxSyncFilterTypeInfo>,
                           public LSDispatchImpl<VESKBoxSyncFilterImpl, HostSyncFilterTypeInfo> {
public:
    using InterfaceMapType = LSInterfaceMap<CVESKBoxSyncFilter, 16>;
    // In the order QueryInterface searches it. IUnknown is the first entry's pointer; IDispatch
    // is the host interface's.
    static const InterfaceMapType& InterfaceMap() noexcept;

    // Only the class's own interface sets error information; the host interfaces do not.
    HRESULT STDMETHODCALLTYPE InterfaceSupportsErrorInfo(REFIID iid) override;

protected:
    CVESKBoxSyncFilter() = default;
};
