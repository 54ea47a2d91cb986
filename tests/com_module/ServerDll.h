// The product DLL loaded afresh into the test process, with its entry points at hand. Fresh
// matters: per-user registration, once chosen, holds for as long as the DLL stays loaded.
#pragma once

#include "UniqueResource.h"

#include <gtest/gtest.h>
#include <objbase.h>

#include <string>

struct ServerDll {
    // path empty: the DLL beside the test program.
    testing::AssertionResult Load(const std::wstring& path = {});
    // The path the DLL registers itself under (its %MODULE%).
    std::wstring Path() const;

    TalvernCommon::unique_hmodule dll;
    HRESULT(WINAPI* RegisterServer)() = nullptr;
    HRESULT(WINAPI* UnregisterServer)() = nullptr;
    HRESULT(WINAPI* Install)(BOOL, LPCWSTR) = nullptr;
    HRESULT(WINAPI* GetClassObject)(REFCLSID, REFIID, void**) = nullptr;
    HRESULT(WINAPI* CanUnloadNow)() = nullptr;
};

// DllCanUnloadNow of the copy COM loaded; S_OK when COM has not loaded it at all.
HRESULT LoadedServerCanUnloadNow();
