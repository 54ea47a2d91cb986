// The filter as the host add-in gets it: DLL and type library registered as their installers do, the
// settings pointing at a Box stand-in with its initial tokens, the object created by program id.
#pragma once

#include "ComPtr.h"
#include "RegistrySandbox.h"
#include "VESKSyncBasicsLib.h"

#include <string>

namespace SyncDriver {

class FilterHost {
public:
    // Throws std::runtime_error when the DLL or the type library cannot be registered.
    explicit FilterHost(const std::wstring& standInUrl);

    // Throws std::runtime_error when the filter cannot be created. Needs only the registration that
    // a host object made, in this process or another.
    static TalvernCommon::com_ptr<ILSSyncFilter2> CreateFilter();

private:
    // Removes the settings written here when the host goes.
    RegistrySandbox m_settings;
};

} // namespace SyncDriver
