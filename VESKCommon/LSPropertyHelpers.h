// Reads and writes of an item's named properties with defaults for absent ones.
#pragma once

#include "ComDef.h"
#include "StdString.h"
#include "VESKSyncBasicsLib.h"

#include <optional>
#include <string>

namespace LSPropertyHelpers {

// A null map is logged ("pPropMap cannot be NULL") and throws the bare HRESULT E_INVALIDARG.
void CheckPropMap(ILSPropertyMap* propMap);

// The named text, or the default when the map has none (a failing read means absent).
CStdStr<wchar_t> getProp(ILSPropertyMap* propMap, const _bstr_t& name, const std::wstring& defaultValue);
// Keeps a literal default from choosing the bool overload.
CStdStr<wchar_t> getProp(ILSPropertyMap* propMap, const _bstr_t& name, const wchar_t* defaultValue);
// The named text, or nothing when the read fails.
std::optional<CStdStr<wchar_t>> tryGetProp(ILSPropertyMap* propMap, const _bstr_t& name);
// The named text; a failing read is raised as a COM error (_com_error) with its HRESULT.
CStdStr<wchar_t> getRequiredProp(ILSPropertyMap* propMap, const _bstr_t& name);
// The named boolean, or the default when the map has none.
bool getProp(ILSPropertyMap* propMap, const _bstr_t& name, bool defaultValue);

// Writes the named boolean; a failing write is logged and thrown as the bare HRESULT.
void setBoolProp(ILSPropertyMap* propMap, const _bstr_t& name, bool value);

// True when "VESK.InterimVersionData" reads as a non-empty text.
bool HasInterimVersionData(ILSPropertyMap* propMap);

// Writes "Quentra.SyncIssueType" and then "Quentra.SyncIssueMessage"; an empty type clears the
// issue and writes no message. Returns the first failing write's HRESULT, else S_OK; never throws.
HRESULT SetSyncIssue(ILSPropertyMap* propMap, const wchar_t* type, const std::wstring& message = {});

} // namespace LSPropertyHelpers
