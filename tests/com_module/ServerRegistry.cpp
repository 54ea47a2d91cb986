#include "ServerRegistry.h"

#include "BinFolder.h"
#include "ComOwners.h"
#include "ComPtr.h"
#include "UniqueResource.h"
#include "VESKBoxSync.h"
#include "VESKSyncBasicsLib.h"

#include <oleauto.h>
#include <sddl.h>

#include <algorithm>
#include <vector>

using TalvernCommon::unique_hkey;
using TestSupport::BinFolder;

namespace {

constexpr wchar_t kClassId[] = L"{075eee64-e6f7-469e-8234-438e2aae38f5}";
constexpr wchar_t kLibraryId[] = L"{b6b3cfe6-61a0-48f9-8738-421f9be5c71f}";
constexpr wchar_t kInterfaceId[] = L"{99b40f46-f419-42f1-bea7-b3c12a5faea3}";
constexpr wchar_t kProgId[] = L"Talvern.SyncFilter.Box.1";
constexpr wchar_t kVersionIndependentProgId[] = L"Talvern.SyncFilter.Box";
constexpr LCID kLibraryLocale = 0x409;

HKEY StoreRoot(ClassStore store) { return store == ClassStore::Machine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER; }

std::wstring StorePath(const std::wstring& path) { return L"Software\\Classes\\" + path; }

bool KeyExists(ClassStore store, const std::wstring& path)
{
    unique_hkey key;
    return ::RegOpenKeyExW(StoreRoot(store), StorePath(path).c_str(), 0, KEY_READ, key.put()) == ERROR_SUCCESS;
}

const std::vector<std::wstring> kClassScriptRoots = {kProgId, kVersionIndependentProgId,
                                                      std::wstring(L"CLSID\\") + kClassId};

struct LocalFreeTraits {
    using type = PSECURITY_DESCRIPTOR;
    static type invalid() noexcept { return nullptr; }
    static void close(type value) noexcept { ::LocalFree(value); }
};
using unique_security_descriptor = TalvernCommon::unique_any<LocalFreeTraits>;

bool SetAccessRule(HKEY key, const wchar_t* sddl)
{
    unique_security_descriptor descriptor;
    return ::ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, descriptor.put(), nullptr) &&
           ::RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, descriptor.get()) == ERROR_SUCCESS;
}

std::wstring TypeLibKey() { return StorePath(std::wstring(L"TypeLib\\") + kLibraryId); }

} // namespace

bool ClassKeysExist(ClassStore store)
{
    return std::any_of(kClassScriptRoots.begin(), kClassScriptRoots.end(),
                       [store](const std::wstring& root) { return KeyExists(store, root); });
}

std::wstring ClassValue(ClassStore store, const std::wstring& subkey, const wchar_t* name)
{
    wchar_t value[MAX_PATH] = {};
    DWORD size = sizeof(value);
    const std::wstring path = StorePath(std::wstring(L"CLSID\\") + kClassId + L"\\" + subkey);
    if (::RegGetValueW(StoreRoot(store), path.c_str(), name, RRF_RT_REG_SZ, nullptr, value, &size) != ERROR_SUCCESS)
        return {};
    return value;
}

std::wstring RegisteredTypeLibPath()
{
    TalvernCommon::unique_bstr path;
    const bool found = SUCCEEDED(::QueryPathOfRegTypeLib(LIBID_VESKBoxSyncLib, 1, 0, kLibraryLocale, path.put()));
    return found && path.get() != nullptr ? std::wstring(path.get()) : std::wstring();
}

bool InterfaceKeyExists(ClassStore store) { return KeyExists(store, std::wstring(L"Interface\\") + kInterfaceId); }

void RemoveServerRegistration()
{
    std::vector<std::wstring> paths = kClassScriptRoots;
    paths.push_back(std::wstring(L"TypeLib\\") + kLibraryId);
    paths.push_back(std::wstring(L"Interface\\") + kInterfaceId);
    paths.push_back(std::wstring(L"AppID\\") + kLibraryId);
    for (const ClassStore store : {ClassStore::Machine, ClassStore::User}) {
        for (const std::wstring& path : paths)
            ::RegDeleteTreeW(StoreRoot(store), StorePath(path).c_str());
    }
}

HostTypeLibrary::HostTypeLibrary()
{
    TalvernCommon::unique_bstr path;
    m_wasRegistered = SUCCEEDED(::QueryPathOfRegTypeLib(LIBID_VESKSyncBasicsLib, 1, 0, 0, path.put()));
    m_registration = S_OK;
    if (!m_wasRegistered)
        Restore();
}

HostTypeLibrary::~HostTypeLibrary()
{
    if (!m_wasRegistered && SUCCEEDED(m_registration))
        Withdraw();
}

void HostTypeLibrary::Withdraw() { ::UnRegisterTypeLib(LIBID_VESKSyncBasicsLib, 1, 0, 0, SYS_WIN32); }

void HostTypeLibrary::Restore()
{
    TalvernCommon::com_ptr<ITypeLib> library;
    m_registration =
        ::LoadTypeLibEx((BinFolder() + L"\\VESKSyncBasicsLib.tlb").c_str(), REGKIND_REGISTER, library.put());
}

LockedTypeLibKey::LockedTypeLibKey()
{
    unique_hkey key;
    if (::RegCreateKeyExW(HKEY_LOCAL_MACHINE, (TypeLibKey() + L"\\1.0").c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                          key.put(), nullptr) != ERROR_SUCCESS)
        return;
    // Deny KEY_SET_VALUE | KEY_CREATE_SUB_KEY to everyone, allow the rest.
    m_locked = SetAccessRule(key.get(), L"D:(D;;0x6;;;WD)(A;;KA;;;WD)");
}

LockedTypeLibKey::~LockedTypeLibKey()
{
    unique_hkey key;
    // The owner may always change the access rule back.
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, (TypeLibKey() + L"\\1.0").c_str(), 0, WRITE_DAC, key.put()) ==
        ERROR_SUCCESS)
        SetAccessRule(key.get(), L"D:(A;;KA;;;WD)");
    key.reset();
    ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, TypeLibKey().c_str());
}
