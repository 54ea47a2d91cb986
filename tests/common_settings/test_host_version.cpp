// Which host DLL the version check reads; refusing a differing one is com_module_tests' part.
#include "BinFolder.h"
#include "LSHostVersion.h"
#include "LogCapture.h"
#include "ScratchFolder.h"
#include "UniqueResource.h"

#include <gtest/gtest.h>

namespace {

using TalvernCommon::unique_hmodule;
using TestSupport::BinFolder;

// "This module" is a renamed copy of the matching host, beside a host of another major version.
TEST(HostVersionLookup, LoadedHostComesFirstThenTheOneBesideTheModuleAModuleWithoutVersionFails)
{
    ScratchFolder folder(L"common_settings-lookup");
    const std::wstring modulePath = folder.Copy(BinFolder() + L"\\VESK32.dll", L"VESKBoxSync32Check.dll");
    folder.Copy(BinFolder() + L"\\hostversions\\major\\VESK32.dll", L"VESK32.dll");
    const unique_hmodule module{::LoadLibraryW(modulePath.c_str())};
    ASSERT_TRUE(module);
    EXPECT_FALSE(LSFileSystem::CheckHostVersion(module.get()));
    // The host's own DLL, already loaded by the add-in, is the one that counts.
    const unique_hmodule host{::LoadLibraryW((BinFolder() + L"\\VESK32.dll").c_str())};
    ASSERT_TRUE(host);
    EXPECT_TRUE(LSFileSystem::CheckHostVersion(module.get()));

    LogCapture log;
    // The test program carries no version resource.
    EXPECT_FALSE(LSFileSystem::CheckHostVersion(::GetModuleHandleW(nullptr)));
    EXPECT_TRUE(log.Contains(google::GLOG_ERROR, "Failed comparing version with VESK32.dll"));
}

} // namespace
