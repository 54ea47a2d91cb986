// The version check against the host's stand-in VESK32.dll. "This module" is a renamed copy of
// one of the stand-in hosts, so each version can play it within one process.
#include "BinFolder.h"
#include "LSHostVersion.h"
#include "LogCapture.h"
#include "ScratchFolder.h"
#include "UniqueResource.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using TalvernCommon::unique_hmodule;
using TestSupport::BinFolder;

std::wstring HostVariant(const std::wstring& part) { return BinFolder() + L"\\hostversions\\" + part + L"\\VESK32.dll"; }

std::string VersionText(int major, int minor, int build, int revision)
{
    return std::to_string(major) + "." + std::to_string(minor) + "." + std::to_string(build) + "." +
           std::to_string(revision);
}

// bin\VESK32.dll has the product's major, minor and build, revision 7; each variant changes one part.
const std::string kHostVersion = VersionText(VESK_VERSION_MAJOR, VESK_VERSION_MINOR, VESK_VERSION_BUILD, 7);

struct VersionCase {
    const wchar_t* moduleSource;
    bool matches;
    std::string moduleVersion;
};

class HostVersion : public testing::TestWithParam<VersionCase> {};

TEST_P(HostVersion, FirstThreePartsMustMatchTheHostOnTheSearchPath)
{
    ASSERT_EQ(::GetModuleHandleW(L"VESK32.dll"), nullptr);
    const std::wstring source = GetParam().moduleSource;
    ScratchFolder folder(L"common_settings-version");
    const unique_hmodule module{::LoadLibraryW(folder.Copy(source.empty() ? BinFolder() + L"\\VESK32.dll" : HostVariant(source),
                                                           L"VESKBoxSync32Check.dll")
                                                   .c_str())};
    ASSERT_TRUE(module);
    LogCapture log;

    EXPECT_EQ(LSFileSystem::CheckHostVersion(module.get()), GetParam().matches);
    EXPECT_EQ(log.Contains(google::GLOG_ERROR,
                           "Current version " + GetParam().moduleVersion + " mismatch with VESK " + kHostVersion),
              !GetParam().matches);
}

INSTANTIATE_TEST_SUITE_P(
    Variants, HostVersion,
    testing::Values(
        VersionCase{L"", true, kHostVersion},
        VersionCase{L"revision", true, VersionText(VESK_VERSION_MAJOR, VESK_VERSION_MINOR, VESK_VERSION_BUILD, 999)},
        VersionCase{L"build", false, VersionText(VESK_VERSION_MAJOR, VESK_VERSION_MINOR, VESK_VERSION_BUILD + 1, 7)}));

TEST(HostVersionLookup, LoadedHostComesFirstThenTheOneBesideTheModule)
{
    ScratchFolder folder(L"common_settings-lookup");
    const std::wstring modulePath = folder.Copy(BinFolder() + L"\\VESK32.dll", L"VESKBoxSync32Check.dll");
    folder.Copy(HostVariant(L"major"), L"VESK32.dll");
    {
        const unique_hmodule module{::LoadLibraryW(modulePath.c_str())};
        ASSERT_TRUE(module);
        // Beside the module is a host of another major version.
        EXPECT_FALSE(LSFileSystem::CheckHostVersion(module.get()));
        // The host's own DLL, already loaded by the add-in, is the one that counts.
        const unique_hmodule host{::LoadLibraryW((BinFolder() + L"\\VESK32.dll").c_str())};
        ASSERT_TRUE(host);
        EXPECT_TRUE(LSFileSystem::CheckHostVersion(module.get()));
    }
}

TEST(HostVersionLookup, ModuleWithoutVersionFails)
{
    LogCapture log;
    // The test program carries no version resource.
    EXPECT_FALSE(LSFileSystem::CheckHostVersion(::GetModuleHandleW(nullptr)));
    EXPECT_TRUE(log.Contains(google::GLOG_ERROR, "Failed comparing version with VESK32.dll"));
}

} // namespace
