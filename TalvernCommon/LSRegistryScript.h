// Registrar scripts: the text form of the registry keys a COM server writes and removes.
//
//   HKCR
//   {
//       NoRemove CLSID
//       {
//           ForceRemove {guid} = s 'Name'
//           {
//               InprocServer32 = s '%MODULE%'
//               {
//                   val ThreadingModel = s 'Apartment'
//               }
//           }
//       }
//   }
//
// Roots are HKCR, HKCU and HKLM (or their HKEY_ names). Tokens are separated by white space; a
// quoted token ('...', '' for a quote) may hold any text. Values are strings (type s). Every
// %NAME% in a token is replaced by the value given for NAME (names in any letter case); %% is a
// percent sign.
#pragma once

#include <windows.h>

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

struct LSRegistryScriptKey {
    std::wstring name;
    // Register: the key's old content goes first. Unregister: the whole tree goes.
    bool forceRemove = false;
    // Unregister: the key itself stays (its subkeys named in the script still go).
    bool noRemove = false;
    std::optional<std::wstring> defaultValue;
    std::vector<std::pair<std::wstring, std::wstring>> values;
    std::vector<LSRegistryScriptKey> subkeys;
};

struct LSRegistryScriptRoot {
    HKEY root;
    std::vector<LSRegistryScriptKey> keys;
};

// Replacement names compare without regard to letter case.
struct LSIgnoreCaseLess {
    bool operator()(const std::wstring& a, const std::wstring& b) const noexcept
    {
        return ::CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()),
                                      TRUE) == CSTR_LESS_THAN;
    }
};
using LSRegistryReplacements = std::map<std::wstring, std::wstring, LSIgnoreCaseLess>;

// Throws hresult_exception (HRESULT_FROM_WIN32(ERROR_INVALID_DATA)) for a script it cannot read,
// before anything is written.
std::vector<LSRegistryScriptRoot> ParseRegistryScript(std::wstring_view text,
                                                      const LSRegistryReplacements& replacements);
