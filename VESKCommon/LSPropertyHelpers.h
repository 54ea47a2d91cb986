// Reads and writes of an item's named properties with defaults for absent ones.
#pragma once

#include "ComDef.h"
#include "StdString.h"
#include "VESKSyncBasicsLib.h"

#include <string>

namespace LSPropertyHelpers {

// A null map is logged ("pPropMap cannot be NULL") and throws the bare HRESULT E_INVALIDARG.
void CheckPropMap(ILSPropertyMap* propMap);

// The named text, or the default when the map has none (a failing read means absent).
CStdStr<wchar_t> getProp(ILSPropertyMap* propMap, const _bstr_t& name, const std::wstring& defaultValue);
// Keeps a literal default from choosing the bool overload.
CStdStr<wchar_t> getProp(ILSPropertyMap* propMap, const _bstr_t& name, const wchar_t* defaultValue);
// The named boolean, or the default when the map has none.
bool getProp(ILSPropertyMap* propMap, const _bstr_t& name, bool defaultValue);

// Writes the named boolean; a failing write is logged and thrown as the bare HRESULT.
void setBoolProp(ILSPropertyMap* propMap, const _bstr_t& name, bool value);

} // namespace LSPropertyHelpers
