// The settings store: four registry sources read in order of precedence, one for writing.
#pragma once

#include "StdString.h"
#include "UniqueResource.h"

#include <windows.h>

#include <mutex>

// Reads go to, in this order, the first source holding the value winning:
//   HKCU\Software\Policies\Talvern\VESK, HKLM\Software\Policies\Talvern\VESK,
//   HKCU\Software\Talvern\VESK, HKLM\Software\Talvern\VESK.
// Writes go to HKCU\Software\Talvern\VESK. No failure reaches the caller: a read falls back to
// its default, a failed write is logged. An empty name reads the keys' default values.
class LSSetting {
public:
    // The process-wide store, created on first use.
    static LSSetting& GetInstance();

    LSSetting(const LSSetting&) = delete;
    LSSetting& operator=(const LSSetting&) = delete;

    // A REG_DWORD, or a REG_SZ holding an unsigned decimal (or "0x" hexadecimal) number that
    // fits 32 bits; a value of another type or text is skipped as if the source lacked it.
    DWORD GetUserDword(const CStdStr<wchar_t>& name, DWORD defaultValue) const;
    // The same read, and a diagnostic line telling the value and the source it came from.
    DWORD GetUserDwordConfigDetails(const CStdStr<wchar_t>& name, DWORD defaultValue) const;
    // A REG_SZ, a REG_EXPAND_SZ (environment variables expanded) or a REG_DWORD in decimal.
    CStdStr<wchar_t> GetUserString(const CStdStr<wchar_t>& name, const CStdStr<wchar_t>& defaultValue) const;
    // Writes a REG_SZ under HKCU\Software\Talvern\VESK, creating the key when needed.
    void SaveUserString(const CStdStr<wchar_t>& name, const CStdStr<wchar_t>& value);

    // The language DLL of a module, moduleName + "ENU.dll" ("VESKBoxSync32" gives
    // "VESKBoxSync32ENU.dll"), loaded as a resource-only module from this module's folder, else
    // by name. Empty, and logged "Failed loading language dll " at ERROR, when it cannot be.
    static TalvernCommon::unique_hmodule LoadLanguageDll(const CStdStr<wchar_t>& moduleName);

private:
    LSSetting() = default;

    mutable std::mutex m_lock;
};
