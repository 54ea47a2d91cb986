// The Box filter class as a host finds it: the interfaces of its COM map, and the class a
// version-independent program id leads to.
#pragma once

#include <windows.h>
#include <objbase.h>

#include <string>
#include <vector>

namespace TestSupport {

struct NamedInterface {
    const IID* iid;
    const char* name;
};

// The filter's COM map, in order.
const std::vector<NamedInterface>& FilterComMap();

// Where a version-independent program id's CurVer key leads.
struct CurrentVersion {
    std::wstring progId; // empty when the key names none
    CLSID clsid = GUID_NULL;
    HRESULT hr = REGDB_E_CLASSNOTREG;
};

// Windows follows CurVer in CLSIDFromProgID; Wine does not, so a host's lookup follows it itself.
CurrentVersion FollowCurVer(const wchar_t* versionIndependentProgId);

} // namespace TestSupport
