#include "LSRegistrar.h"

#include "HResultException.h"
#include "LSComBoundary.h"

using TalvernCommon::unique_hkey;

namespace {

constexpr REGSAM kReadWrite = KEY_READ | KEY_WRITE;

void Check(LSTATUS status, const char* what)
{
    if (status != ERROR_SUCCESS)
        throw hresult_exception(HRESULT_FROM_WIN32(status), what);
}

void CheckAllowingMissing(LSTATUS status, const char* what)
{
    if (status != ERROR_FILE_NOT_FOUND)
        Check(status, what);
}

void SetString(HKEY key, const wchar_t* name, const std::wstring& value)
{
    const DWORD bytes = static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t));
    Check(::RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()), bytes),
          "registry value not written");
}

void DeleteTree(HKEY parent, const std::wstring& name)
{
    CheckAllowingMissing(::RegDeleteTreeW(parent, name.c_str()), "registry key not removed");
}

void RegisterKey(HKEY parent, const LSRegistryScriptKey& key)
{
    if (key.forceRemove)
        DeleteTree(parent, key.name);
    unique_hkey created;
    Check(::RegCreateKeyExW(parent, key.name.c_str(), 0, nullptr, 0, kReadWrite, nullptr, created.put(), nullptr),
          "registry key not created");
    if (key.defaultValue)
        SetString(created.get(), nullptr, *key.defaultValue);
    for (const auto& [name, value] : key.values)
        SetString(created.get(), name.c_str(), value);
    for (const LSRegistryScriptKey& subkey : key.subkeys)
        RegisterKey(created.get(), subkey);
}

bool HasSubkeys(HKEY key)
{
    DWORD subkeys = 0;
    Check(::RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, nullptr, nullptr, nullptr,
                             nullptr, nullptr),
          "registry key not readable");
    return subkeys != 0;
}

void UnregisterKey(HKEY parent, const LSRegistryScriptKey& key)
{
    if (key.forceRemove && !key.noRemove) {
        DeleteTree(parent, key.name);
        return;
    }
    unique_hkey opened;
    const LSTATUS status = ::RegOpenKeyExW(parent, key.name.c_str(), 0, kReadWrite, opened.put());
    if (status == ERROR_FILE_NOT_FOUND)
        return;
    Check(status, "registry key not opened");
    for (const auto& value : key.values)
        CheckAllowingMissing(::RegDeleteValueW(opened.get(), value.first.c_str()), "registry value not removed");
    for (const LSRegistryScriptKey& subkey : key.subkeys)
        UnregisterKey(opened.get(), subkey);
    if (key.noRemove || HasSubkeys(opened.get()))
        return;
    opened.reset();
    CheckAllowingMissing(::RegDeleteKeyW(parent, key.name.c_str()), "registry key not removed");
}

// Scripts are ANSI text in the thread's code page, which registration pins to the system's.
std::wstring ScriptText(HMODULE module, UINT resourceId)
{
    const HRSRC found = ::FindResourceW(module, MAKEINTRESOURCEW(resourceId), L"REGISTRY");
    const HGLOBAL loaded = found != nullptr ? ::LoadResource(module, found) : nullptr;
    const char* bytes = loaded != nullptr ? static_cast<const char*>(::LockResource(loaded)) : nullptr;
    if (bytes == nullptr)
        throw hresult_exception(LSHResultOfLastError(), "registrar script not found");
    const int size = static_cast<int>(::SizeofResource(module, found));
    if (size == 0)
        return {};
    const int length = ::MultiByteToWideChar(CP_THREAD_ACP, 0, bytes, size, nullptr, 0);
    std::wstring text(static_cast<size_t>(length), L'\0');
    if (length == 0 || ::MultiByteToWideChar(CP_THREAD_ACP, 0, bytes, size, text.data(), length) != length)
        throw hresult_exception(LSHResultOfLastError(), "registrar script not readable");
    return text;
}

} // namespace

void LSRegistrar::AddReplacement(std::wstring_view name, std::wstring_view value)
{
    m_replacements[std::wstring(name)] = std::wstring(value);
}

std::vector<LSRegistryScriptRoot> LSRegistrar::LoadScript(HMODULE module, UINT resourceId) const
{
    return ParseRegistryScript(ScriptText(module, resourceId), m_replacements);
}

HKEY LSRegistrar::OpenRoot(HKEY root, unique_hkey& owner) const
{
    if (!m_perUser || root != HKEY_CLASSES_ROOT)
        return root;
    Check(::RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Classes", 0, nullptr, 0, kReadWrite, nullptr, owner.put(),
                            nullptr),
          "user's classes not opened");
    return owner.get();
}

HRESULT LSRegistrar::ResourceRegister(HMODULE module, UINT resourceId) const noexcept
{
    try {
        for (const LSRegistryScriptRoot& root : LoadScript(module, resourceId)) {
            unique_hkey owner;
            const HKEY parent = OpenRoot(root.root, owner);
            for (const LSRegistryScriptKey& key : root.keys)
                RegisterKey(parent, key);
        }
        return S_OK;
    } catch (...) {
        return LSHResultOfCurrentException();
    }
}

HRESULT LSRegistrar::ResourceUnregister(HMODULE module, UINT resourceId) const noexcept
{
    try {
        for (const LSRegistryScriptRoot& root : LoadScript(module, resourceId)) {
            unique_hkey owner;
            const HKEY parent = OpenRoot(root.root, owner);
            for (const LSRegistryScriptKey& key : root.keys)
                UnregisterKey(parent, key);
        }
        return S_OK;
    } catch (...) {
        return LSHResultOfCurrentException();
    }
}
