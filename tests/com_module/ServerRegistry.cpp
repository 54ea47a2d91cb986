#include "ServerRegistry.h"

#include "BinFolder.h"
#include "ComOwners.h"
#include "ComPtr.h"
#include "ServerDll.h"
#include "UniqueResource.h"
#include "VESKBoxSync.h"
#include "VESKSyncBasicsLib.h"

#include <oleauto.h>
#include <sddl.h>

#include <algorithm>

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

std::wstring ValueLine(const std::wstring& path, const std::wstring& name, DWORD type, const std::vector<BYTE>& data)
{
    std::wstring text;
    if (type == REG_SZ)
        text.assign(reinterpret_cast<const wchar_t*>(data.data()), data.size() / sizeof(wchar_t));
    else
        text = L"<type " + std::to_wstring(type) + L">";
    text.resize(std::min(text.size(), wcsnlen(text.c_str(), text.size())));
    return path + L" " + (name.empty() ? L"@" : name) + L" = " + text;
}

void CollectValues(HKEY key, const std::wstring& path, std::vector<std::wstring>& lines)
{
    for (DWORD index = 0;; ++index) {
        wchar_t name[256] = {};
        DWORD nameLength = ARRAYSIZE(name);
        std::vector<BYTE> data(4096);
        DWORD dataSize = static_cast<DWORD>(data.size());
        DWORD type = 0;
        if (::RegEnumValueW(key, index, name, &nameLength, nullptr, &type, data.data(), &dataSize) != ERROR_SUCCESS)
            return;
        data.resize(dataSize);
        lines.push_back(ValueLine(path, name, type, data));
    }
}

void CollectTree(HKEY parent, const std::wstring& name, const std::wstring& path, std::vector<std::wstring>& lines)
{
    unique_hkey key;
    if (::RegOpenKeyExW(parent, name.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS)
        return;
    lines.push_back(path);
    CollectValues(key.get(), path, lines);
    for (DWORD index = 0;; ++index) {
        wchar_t subkey[256] = {};
        DWORD length = ARRAYSIZE(subkey);
        if (::RegEnumKeyExW(key.get(), index, subkey, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        CollectTree(key.get(), subkey, path + L"\\" + subkey, lines);
    }
}

std::vector<std::wstring> ClassScriptRoots()
{
    return {kProgId, kVersionIndependentProgId, std::wstring(L"CLSID\\") + kClassId};
}

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

std::vector<std::wstring> ClassScriptKeys(ClassStore store)
{
    std::vector<std::wstring> lines;
    unique_hkey classes;
    if (::RegOpenKeyExW(StoreRoot(store), L"Software\\Classes", 0, KEY_READ, classes.put()) != ERROR_SUCCESS)
        return lines;
    for (const std::wstring& root : ClassScriptRoots())
        CollectTree(classes.get(), root, root, lines);
    std::sort(lines.begin(), lines.end());
    return lines;
}

std::vector<std::wstring> ExpectedClassScriptKeys(const std::wstring& modulePath)
{
    const std::wstring clsidKey = std::wstring(L"CLSID\\") + kClassId;
    std::vector<std::wstring> lines = {
        kProgId,
        std::wstring(kProgId) + L" @ = VESKBoxSyncFilter Class",
        std::wstring(kProgId) + L"\\CLSID",
        std::wstring(kProgId) + L"\\CLSID @ = " + kClassId,
        kVersionIndependentProgId,
        std::wstring(kVersionIndependentProgId) + L" @ = VESKBoxSyncFilter Class",
        std::wstring(kVersionIndependentProgId) + L"\\CurVer",
        std::wstring(kVersionIndependentProgId) + L"\\CurVer @ = " + kProgId,
        clsidKey,
        clsidKey + L" @ = VESKBoxSyncFilter class",
        clsidKey + L"\\ProgID",
        clsidKey + L"\\ProgID @ = " + kProgId,
        clsidKey + L"\\VersionIndependentProgID",
        clsidKey + L"\\VersionIndependentProgID @ = " + kVersionIndependentProgId,
        clsidKey + L"\\Programmable",
        clsidKey + L"\\InprocServer32",
        clsidKey + L"\\InprocServer32 @ = " + modulePath,
        clsidKey + L"\\InprocServer32 ThreadingModel = Apartment",
        clsidKey + L"\\TypeLib",
        clsidKey + L"\\TypeLib @ = " + kLibraryId,
        clsidKey + L"\\Version",
        clsidKey + L"\\Version @ = 1.0",
    };
    std::sort(lines.begin(), lines.end());
    return lines;
}

std::wstring RegisteredTypeLibPath()
{
    TalvernCommon::unique_bstr path;
    if (FAILED(::QueryPathOfRegTypeLib(LIBID_VESKBoxSyncLib, 1, 0, kLibraryLocale, path.put())))
        return {};
    return path.get() != nullptr ? std::wstring(path.get()) : std::wstring();
}

bool InterfaceKeyExists(ClassStore store) { return KeyExists(store, std::wstring(L"Interface\\") + kInterfaceId); }

bool AppIdKeyExists(ClassStore store) { return KeyExists(store, std::wstring(L"AppID\\") + kLibraryId); }

void RemoveServerRegistration()
{
    std::vector<std::wstring> paths = ClassScriptRoots();
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
    if (m_wasRegistered)
        m_registration = S_OK;
    else
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
