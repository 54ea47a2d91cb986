// The product DLL loads into a process and offers the in-process server's entry points under
// their plain names (decorated stdcall names would make COM fail to load it).
#include "UniqueResource.h"

#include <gtest/gtest.h>

using TalvernCommon::unique_hmodule;

TEST(ProductDll, LoadsAndExportsTheServerEntryPoints)
{
    unique_hmodule dll(::LoadLibraryW(L"VESKBoxSync32.dll"));
    ASSERT_TRUE(dll) << "LoadLibrary failed with " << ::GetLastError();
    for (const char* name : {"DllGetClassObject", "DllCanUnloadNow", "DllRegisterServer",
                             "DllUnregisterServer", "DllInstall"}) {
        EXPECT_NE(::GetProcAddress(dll.get(), name), nullptr) << name;
    }
    EXPECT_EQ(::GetProcAddress(dll.get(), "DllGetClassObject@12"), nullptr);
}
