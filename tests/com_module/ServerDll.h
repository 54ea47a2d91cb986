// The product DLL loaded afresh, since a per-user registration once chosen holds while the DLL stays loaded.
#pragma once

#include "BinFolder.h"
#include "LSModule.h"
#include "UniqueResource.h"

#include <gtest/gtest.h>
#include <objbase.h>

#include <string>

inline constexpr wchar_t kServerDll[] = L"VESKBoxSync32.dll";

template <typename Function>
void ResolveEntry(HMODULE dll, const char* name, Function& entry)
{
    entry = reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(dll, name)));
}

struct ServerDll {
    // path empty: the DLL beside the test program.
    testing::AssertionResult Load(const std::wstring& path = {})
    {
        // COM may still hold the DLL from an earlier activation; unused, it lets go of it now.
        ::CoFreeUnusedLibrariesEx(0, 0);
        if (::GetModuleHandleW(kServerDll) != nullptr)
            return testing::AssertionFailure() << "the server DLL is still loaded: an object of an earlier test lives";
        dll.reset(::LoadLibraryW((path.empty() ? TestSupport::BinFolder() + L"\\" + kServerDll : path).c_str()));
        if (!dll)
            return testing::AssertionFailure() << "LoadLibrary failed with " << ::GetLastError();
        ResolveEntry(dll.get(), "DllRegisterServer", RegisterServer);
        ResolveEntry(dll.get(), "DllUnregisterServer", UnregisterServer);
        ResolveEntry(dll.get(), "DllInstall", Install);
        ResolveEntry(dll.get(), "DllGetClassObject", GetClassObject);
        ResolveEntry(dll.get(), "DllCanUnloadNow", CanUnloadNow);
        if (!RegisterServer || !UnregisterServer || !Install || !GetClassObject || !CanUnloadNow)
            return testing::AssertionFailure() << "an entry point is missing";
        return testing::AssertionSuccess();
    }
    // The path the DLL registers itself under (its %MODULE%).
    std::wstring Path() const { return GetModulePath(dll.get()); }

    TalvernCommon::unique_hmodule dll;
    HRESULT(WINAPI* RegisterServer)() = nullptr;
    HRESULT(WINAPI* UnregisterServer)() = nullptr;
    HRESULT(WINAPI* Install)(BOOL, LPCWSTR) = nullptr;
    HRESULT(WINAPI* GetClassObject)(REFCLSID, REFIID, void**) = nullptr;
    HRESULT(WINAPI* CanUnloadNow)() = nullptr;
};

// DllCanUnloadNow of the copy COM loaded; S_OK when COM has not loaded it at all.
inline HRESULT LoadedServerCanUnloadNow()
{
    HRESULT(WINAPI * canUnloadNow)() = nullptr;
    if (const HMODULE loaded = ::GetModuleHandleW(kServerDll))
        ResolveEntry(loaded, "DllCanUnloadNow", canUnloadNow);
    return canUnloadNow != nullptr ? canUnloadNow() : S_OK;
}
