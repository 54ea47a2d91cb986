// The product DLL loaded afresh into the test process, with its entry points at hand. Fresh
// matters: per-user registration, once chosen, holds for as long as the DLL stays loaded.
#pragma once

#include "UniqueResource.h"

#include <gtest/gtest.h>
#include <objbase.h>

#include <string>

class ServerDll {
public:
    // path empty: the DLL beside the test program.
    testing::AssertionResult Load(const std::wstring& path = {});

    HRESULT RegisterServer() const { return m_register(); }
    HRESULT UnregisterServer() const { return m_unregister(); }
    HRESULT Install(BOOL install, const wchar_t* commandLine) const { return m_install(install, commandLine); }
    HRESULT GetClassObject(REFCLSID clsid, REFIID iid, void** out) const { return m_getClassObject(clsid, iid, out); }
    HRESULT CanUnloadNow() const { return m_canUnloadNow(); }

    // The path the DLL registers itself under (its %MODULE%).
    std::wstring Path() const;

private:
    using Action = HRESULT(WINAPI*)();
    using InstallAction = HRESULT(WINAPI*)(BOOL, LPCWSTR);
    using GetClassObjectAction = HRESULT(WINAPI*)(REFCLSID, REFIID, void**);

    TalvernCommon::unique_hmodule m_dll;
    Action m_register = nullptr;
    Action m_unregister = nullptr;
    InstallAction m_install = nullptr;
    GetClassObjectAction m_getClassObject = nullptr;
    Action m_canUnloadNow = nullptr;
};

// DllCanUnloadNow of the copy COM loaded; S_OK when COM has not loaded it at all.
HRESULT LoadedServerCanUnloadNow();
