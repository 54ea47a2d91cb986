#include "LSTypeLibRegistration.h"

#include "ComOwners.h"
#include "ComPtr.h"
#include "LSComBoundary.h"
#include "LSModule.h"

#include <oleauto.h>

// oleaut32 exports these, but MinGW's headers do not declare them.
extern "C" {
HRESULT WINAPI RegisterTypeLibForUser(ITypeLib* typeLib, OLECHAR* path, OLECHAR* helpDirectory);
HRESULT WINAPI UnRegisterTypeLibForUser(REFGUID libid, WORD majorVersion, WORD minorVersion, LCID lcid,
                                        SYSKIND syskind);
}

using TalvernCommon::com_ptr;

namespace {

HRESULT LoadOwnTypeLib(HMODULE module, CStdStr<wchar_t>& path, com_ptr<ITypeLib>& typeLib)
{
    path = GetModulePath(module);
    if (path.empty())
        return LSHResultOfLastError();
    return ::LoadTypeLibEx(path.c_str(), REGKIND_NONE, typeLib.put());
}

struct LibraryIdentity {
    GUID libid;
    WORD major;
    WORD minor;
    LCID lcid;
    SYSKIND syskind;
};

HRESULT ReadIdentity(ITypeLib* typeLib, LibraryIdentity& identity)
{
    TLIBATTR* attributes = nullptr;
    const HRESULT hr = typeLib->GetLibAttr(&attributes);
    if (FAILED(hr))
        return hr;
    identity = {attributes->guid, attributes->wMajorVerNum, attributes->wMinorVerNum, attributes->lcid,
                attributes->syskind};
    typeLib->ReleaseTLibAttr(attributes);
    return S_OK;
}

bool IsRegistered(const LibraryIdentity& identity)
{
    TalvernCommon::unique_bstr path;
    return SUCCEEDED(
        ::QueryPathOfRegTypeLib(identity.libid, identity.major, identity.minor, identity.lcid, path.put()));
}

} // namespace

namespace LSTypeLibRegistration {

HRESULT Register(HMODULE module, bool perUser) noexcept
{
    try {
        CStdStr<wchar_t> path;
        com_ptr<ITypeLib> typeLib;
        const HRESULT hr = LoadOwnTypeLib(module, path, typeLib);
        if (FAILED(hr))
            return hr;
        return perUser ? ::RegisterTypeLibForUser(typeLib.get(), path.data(), nullptr)
                       : ::RegisterTypeLib(typeLib.get(), path.data(), nullptr);
    } catch (...) {
        return LSHResultOfCurrentException();
    }
}

HRESULT Unregister(HMODULE module, bool perUser) noexcept
{
    try {
        CStdStr<wchar_t> path;
        com_ptr<ITypeLib> typeLib;
        LibraryIdentity identity{};
        HRESULT hr = LoadOwnTypeLib(module, path, typeLib);
        if (SUCCEEDED(hr))
            hr = ReadIdentity(typeLib.get(), identity);
        if (FAILED(hr) || !IsRegistered(identity))
            return hr;
        return perUser ? ::UnRegisterTypeLibForUser(identity.libid, identity.major, identity.minor, identity.lcid,
                                                    identity.syskind)
                       : ::UnRegisterTypeLib(identity.libid, identity.major, identity.minor, identity.lcid,
                                             identity.syskind);
    } catch (...) {
        return LSHResultOfCurrentException();
    }
}

} // namespace LSTypeLibRegistration
