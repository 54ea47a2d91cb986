// Runs registrar scripts (LSRegistryScript.h) kept as REGISTRY resources of a module.
#pragma once

#include "LSRegistryScript.h"
#include "UniqueResource.h"

#include <windows.h>

#include <string_view>
#include <vector>

class LSRegistrar {
public:
    // perUser: keys under HKCR go to the current user's classes (HKCU\Software\Classes).
    explicit LSRegistrar(bool perUser) : m_perUser(perUser) {}

    void AddReplacement(std::wstring_view name, std::wstring_view value);

    // Register writes the script's keys and values; Unregister removes them, except NoRemove
    // keys and keys left holding subkeys the script does not name. Keys already missing are no
    // failure. The script is read whole before the registry is touched.
    HRESULT ResourceRegister(HMODULE module, UINT resourceId) const noexcept;
    HRESULT ResourceUnregister(HMODULE module, UINT resourceId) const noexcept;

private:
    std::vector<LSRegistryScriptRoot> LoadScript(HMODULE module, UINT resourceId) const;
    HKEY OpenRoot(HKEY root, TalvernCommon::unique_hkey& owner) const;

    bool m_perUser;
    LSRegistryReplacements m_replacements;
};
