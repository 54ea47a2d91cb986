// The platform pieces the filter relies on behave under Wine as on Windows: the registry keeps
// what is written, and the host DLL's version resource can be read.
#include "UniqueResource.h"

#include <gtest/gtest.h>

#include <array>
#include <initializer_list>
#include <stdexcept>
#include <string>
#include <vector>

using TalvernCommon::unique_hkey;

namespace {

const wchar_t kTestKey[] = L"Software\\Talvern\\VESK\\GroundTest";

class RegistryTest : public ::testing::Test {
protected:
    void TearDown() override { ::RegDeleteTreeW(HKEY_CURRENT_USER, kTestKey); }
};

// A file version's parts, major first.
using FileVersion = std::array<WORD, 4>;
enum VersionPart { kMajor, kMinor, kBuild, kRevision };
const char* const kPartNames[] = {"major", "minor", "build", "revision"};

FileVersion ReadFileVersion(const wchar_t* path)
{
    DWORD ignored = 0;
    const DWORD size = ::GetFileVersionInfoSizeW(path, &ignored);
    if (size == 0)
        throw std::runtime_error("no version resource");
    std::vector<BYTE> block(size);
    if (!::GetFileVersionInfoW(path, 0, size, block.data()))
        throw std::runtime_error("GetFileVersionInfo failed");
    VS_FIXEDFILEINFO* info = nullptr;
    UINT length = 0;
    if (!::VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&info), &length) || info == nullptr)
        throw std::runtime_error("no fixed file info");
    return {HIWORD(info->dwFileVersionMS), LOWORD(info->dwFileVersionMS), HIWORD(info->dwFileVersionLS),
            LOWORD(info->dwFileVersionLS)};
}

// Compares the named parts of a host stand-in's file version with the product DLL's.
void ExpectHostVersionParts(const wchar_t* hostPath, std::initializer_list<VersionPart> same,
                            std::initializer_list<VersionPart> different)
{
    SCOPED_TRACE(::testing::Message() << hostPath);
    const FileVersion host = ReadFileVersion(hostPath);
    const FileVersion product = ReadFileVersion(L"VESKBoxSync32.dll");
    for (const VersionPart part : same)
        EXPECT_EQ(host[part], product[part]) << kPartNames[part];
    for (const VersionPart part : different)
        EXPECT_NE(host[part], product[part]) << kPartNames[part];
}

} // namespace

TEST_F(RegistryTest, ValuesWrittenAreReadBack)
{
    unique_hkey key;
    ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, kTestKey, 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr,
                                key.put(), nullptr),
              ERROR_SUCCESS);
    const std::wstring text = L"R&D \x6F22\x5B57";
    ASSERT_EQ(::RegSetValueExW(key.get(), L"Text", 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                               static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t))),
              ERROR_SUCCESS);
    const DWORD number = 51200;
    ASSERT_EQ(::RegSetValueExW(key.get(), L"Number", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number),
                               sizeof(number)),
              ERROR_SUCCESS);

    wchar_t readText[64] = {};
    DWORD size = sizeof(readText);
    ASSERT_EQ(::RegGetValueW(HKEY_CURRENT_USER, kTestKey, L"Text", RRF_RT_REG_SZ, nullptr, readText, &size),
              ERROR_SUCCESS);
    EXPECT_EQ(std::wstring(readText), text);
    DWORD readNumber = 0;
    size = sizeof(readNumber);
    ASSERT_EQ(::RegGetValueW(HKEY_CURRENT_USER, kTestKey, L"Number", RRF_RT_REG_DWORD, nullptr, &readNumber, &size),
              ERROR_SUCCESS);
    EXPECT_EQ(readNumber, number);
    EXPECT_EQ(::RegGetValueW(HKEY_CURRENT_USER, kTestKey, L"Absent", RRF_RT_ANY, nullptr, nullptr, nullptr),
              ERROR_FILE_NOT_FOUND);
}

TEST(HostStandIn, CarriesTheProductsVersionWithAnotherRevision)
{
    ExpectHostVersionParts(L"VESK32.dll", {kMajor, kMinor, kBuild}, {kRevision});
}

TEST(HostStandIn, MismatchingHostsDifferInExactlyOnePart)
{
    ExpectHostVersionParts(L"hostversions\\major\\VESK32.dll", {kMinor}, {kMajor});
    ExpectHostVersionParts(L"hostversions\\build\\VESK32.dll", {kMajor}, {kBuild});
}

TEST(HostStandIn, ExportsTheWebViewWindowLookup)
{
    TalvernCommon::unique_hmodule host(::LoadLibraryW(L"VESK32.dll"));
    ASSERT_TRUE(host);
    EXPECT_NE(::GetProcAddress(host.get(), "GetWebViewProcessHandle_export"), nullptr);
}

TEST(HostStandIn, ResourceDllsCarryTheFiltersStrings)
{
    for (const wchar_t* name : {L"VESKBoxSync32ENU.dll", L"VESKCommonResources32.dll",
                                L"VESKBrandResources32.dll"}) {
        TalvernCommon::unique_hmodule module(::LoadLibraryExW(name, nullptr, LOAD_LIBRARY_AS_DATAFILE));
        EXPECT_TRUE(module) << name;
    }
    TalvernCommon::unique_hmodule language(::LoadLibraryExW(L"VESKBoxSync32ENU.dll", nullptr,
                                                             LOAD_LIBRARY_AS_DATAFILE));
    ASSERT_TRUE(language);
    for (UINT id : {4005u, 4006u, 4007u, 4008u, 4248u, 4259u}) {
        wchar_t text[256] = {};
        EXPECT_GT(::LoadStringW(language.get(), id, text, 256), 0) << id;
    }
}
