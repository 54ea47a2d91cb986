// What registration leaves in the registry, read back as a host's installer would see it.
#pragma once

#include "BinFolder.h"
#include "ComOwners.h"
#include "ComPtr.h"
#include "UniqueResource.h"
#include "VESKBoxSync.h"
#include "VESKSyncBasicsLib.h"

#include <oleauto.h>
#include <sddl.h>
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

// HKLM\Software\Classes (which HKCR shows under Wine) or HKCU\Software\Classes.
enum class ClassStore { Machine, User };

namespace ServerKeys {

inline const std::wstring kClassId = L"{075eee64-e6f7-469e-8234-438e2aae38f5}";
inline const std::wstring kLibraryId = L"{b6b3cfe6-61a0-48f9-8738-421f9be5c71f}";
inline const std::wstring kInterfaceId = L"{99b40f46-f419-42f1-bea7-b3c12a5faea3}";
// The two program ids and the class id.
inline const std::vector<std::wstring> kClassScriptRoots = {L"Talvern.SyncFilter.Box.1", L"Talvern.SyncFilter.Box",
                                                            L"CLSID\\" + kClassId};
inline const std::wstring kTypeLibKey = L"Software\\Classes\\TypeLib\\" + kLibraryId;

inline HKEY Root(ClassStore store) { return store == ClassStore::Machine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER; }

inline bool KeyExists(ClassStore store, const std::wstring& path)
{
    TalvernCommon::unique_hkey key;
    return ::RegOpenKeyExW(Root(store), (L"Software\\Classes\\" + path).c_str(), 0, KEY_READ, key.put()) ==
           ERROR_SUCCESS;
}

inline bool SetAccessRule(HKEY key, const wchar_t* sddl)
{
    TalvernCommon::unique_any<TalvernCommon::detail::SimpleTraits<PSECURITY_DESCRIPTOR, nullptr, ::LocalFree>> rule;
    return ::ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, rule.put(), nullptr) &&
           ::RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, rule.get()) == ERROR_SUCCESS;
}

} // namespace ServerKeys

// Whether any of the two program ids and the class id is there.
inline bool ClassKeysExist(ClassStore store)
{
    return std::any_of(ServerKeys::kClassScriptRoots.begin(), ServerKeys::kClassScriptRoots.end(),
                       [store](const std::wstring& root) { return ServerKeys::KeyExists(store, root); });
}

// A text value under the class id's key ("InprocServer32", "ThreadingModel"); empty when absent.
inline std::wstring ClassValue(ClassStore store, const std::wstring& subkey, const wchar_t* name = nullptr)
{
    wchar_t value[MAX_PATH] = {};
    DWORD size = sizeof(value);
    const std::wstring path = L"Software\\Classes\\CLSID\\" + ServerKeys::kClassId + L"\\" + subkey;
    const LSTATUS read = ::RegGetValueW(ServerKeys::Root(store), path.c_str(), name, RRF_RT_REG_SZ, nullptr, value,
                                        &size);
    return read == ERROR_SUCCESS ? value : std::wstring();
}

// Where the server's type library is registered; empty when it is not.
inline std::wstring RegisteredTypeLibPath()
{
    TalvernCommon::unique_bstr path;
    const bool found = SUCCEEDED(::QueryPathOfRegTypeLib(LIBID_VESKBoxSyncLib, 1, 0, 0x409, path.put()));
    return found && path.get() != nullptr ? std::wstring(path.get()) : std::wstring();
}

inline bool InterfaceKeyExists(ClassStore store)
{
    return ServerKeys::KeyExists(store, L"Interface\\" + ServerKeys::kInterfaceId);
}

inline void RemoveServerRegistration()
{
    std::vector<std::wstring> paths = ServerKeys::kClassScriptRoots;
    for (const wchar_t* kind : {L"TypeLib\\", L"AppID\\"})
        paths.push_back(kind + ServerKeys::kLibraryId);
    paths.push_back(L"Interface\\" + ServerKeys::kInterfaceId);
    for (const ClassStore store : {ClassStore::Machine, ClassStore::User}) {
        for (const std::wstring& path : paths)
            ::RegDeleteTreeW(ServerKeys::Root(store), (L"Software\\Classes\\" + path).c_str());
    }
}

// The host's type library registered as its installer does; removed at the end unless it was there.
class HostTypeLibrary {
public:
    HostTypeLibrary()
    {
        TalvernCommon::unique_bstr path;
        m_wasRegistered = SUCCEEDED(::QueryPathOfRegTypeLib(LIBID_VESKSyncBasicsLib, 1, 0, 0, path.put()));
        m_registration = S_OK;
        if (!m_wasRegistered)
            Restore();
    }
    ~HostTypeLibrary()
    {
        if (!m_wasRegistered && SUCCEEDED(m_registration))
            Withdraw();
    }
    HostTypeLibrary(const HostTypeLibrary&) = delete;
    HostTypeLibrary& operator=(const HostTypeLibrary&) = delete;

    HRESULT Registration() const { return m_registration; }
    void Withdraw() { ::UnRegisterTypeLib(LIBID_VESKSyncBasicsLib, 1, 0, 0, SYS_WIN32); }
    void Restore()
    {
        TalvernCommon::com_ptr<ITypeLib> library;
        m_registration = ::LoadTypeLibEx((TestSupport::BinFolder() + L"\\VESKSyncBasicsLib.tlb").c_str(),
                                         REGKIND_REGISTER, library.put());
    }

private:
    HRESULT m_registration = E_FAIL;
    bool m_wasRegistered = false;
};

// The server's type library key, refusing writes as an administrator's access rule would.
class LockedTypeLibKey {
public:
    LockedTypeLibKey()
    {
        TalvernCommon::unique_hkey key;
        // Deny KEY_SET_VALUE | KEY_CREATE_SUB_KEY to everyone, allow the rest.
        m_locked = ::RegCreateKeyExW(HKEY_LOCAL_MACHINE, (ServerKeys::kTypeLibKey + L"\\1.0").c_str(), 0, nullptr, 0,
                                     KEY_ALL_ACCESS, nullptr, key.put(), nullptr) == ERROR_SUCCESS &&
                   ServerKeys::SetAccessRule(key.get(), L"D:(D;;0x6;;;WD)(A;;KA;;;WD)");
    }
    ~LockedTypeLibKey()
    {
        TalvernCommon::unique_hkey key;
        // The owner may always change the access rule back.
        if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, (ServerKeys::kTypeLibKey + L"\\1.0").c_str(), 0, WRITE_DAC,
                            key.put()) == ERROR_SUCCESS)
            ServerKeys::SetAccessRule(key.get(), L"D:(A;;KA;;;WD)");
        key.reset();
        ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, ServerKeys::kTypeLibKey.c_str());
    }
    LockedTypeLibKey(const LockedTypeLibKey&) = delete;
    LockedTypeLibKey& operator=(const LockedTypeLibKey&) = delete;

    bool Locked() const { return m_locked; }

private:
    bool m_locked = false;
};
