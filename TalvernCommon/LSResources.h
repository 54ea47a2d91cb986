// Resource strings: the host's resource-only DLLs, the lookup chain and the brand placeholders.
#pragma once

#include "StdString.h"
#include "UniqueResource.h"

#include <windows.h>

#include <functional>

// The resource-only modules LoadResourceString searches beside this module. DllMain fills them
// at process attach; an empty owner is skipped.
struct LSResourceModules {
    TalvernCommon::unique_hmodule language;
    TalvernCommon::unique_hmodule common;
    TalvernCommon::unique_hmodule brand;
};
LSResourceModules& GetResourceModules();

using LSStringLoadHook = std::function<void(CStdStr<wchar_t>&)>;

// Applied in place to every string LoadResourceString finds; empty until DllMain installs the
// brand substitution (ReplaceBrandPlaceholders).
LSStringLoadHook& GetStringLoadHook();

// Looks the id up in the language module, this module (GetModuleInstanceHandle), the common and
// the brand module, in that order; the first hit goes through the string-load hook into out.
// False, with out empty, when no module has the id.
bool LoadResourceString(UINT id, CStdStr<wchar_t>& out);

// Loads fileName (e.g. "VESKBrandResources32.dll") as a resource-only module: from folder when
// one is given, else from this module's folder (GetThisModuleFolder), then by name through the
// system's search path. Empty when neither can be loaded.
TalvernCommon::unique_hmodule LoadResourceModule(const CStdStr<wchar_t>& fileName,
                                                 const CStdStr<wchar_t>& folder);

// The host's brand strings "VESKBrandResources32.dll" and common strings
// "VESKCommonResources32.dll", searched as LoadResourceModule does (folder may be empty).
// Empty when they cannot be loaded; never throws.
TalvernCommon::unique_hmodule LoadBrandResources(const CStdStr<wchar_t>& folder);
TalvernCommon::unique_hmodule LoadUsersCommonResources(const CStdStr<wchar_t>& folder);

// Replaces every placeholder "!!IDS_BRAND_<NAME>!!" naming a known brand string
// ("!!IDS_BRAND_PRODUCT_NAME!!", "!!IDS_BRAND_COMPANY_NAME!!") by that string of the brand
// module. Unknown tokens, and all tokens while no brand module is loaded, stay as they are.
void ReplaceBrandPlaceholders(CStdStr<wchar_t>& text);
