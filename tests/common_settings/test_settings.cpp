// The settings store on the real registry: precedence of the four sources, defaults, value types, writing.
#include "LSSetting.h"
#include "RegistrySandbox.h"

#include <gtest/gtest.h>

#include <utility>

namespace {

constexpr DWORD kDefault = 4242;
const CStdStr<wchar_t> kDefaultText = L"the default";

LSSetting& Settings() { return LSSetting::GetInstance(); }

// Sources from `first` on hold value number (index + 1); the first of them must win.
TEST(SettingsPrecedence, FirstSourceHoldingTheValueWinsElseTheDefault)
{
    const std::wstring name = L"common_settings.Precedence";
    for (size_t first = 0; first <= std::size(RegistrySandbox::kAllSources); ++first) {
        SCOPED_TRACE(first);
        RegistrySandbox registry;
        for (size_t i = first; i < std::size(RegistrySandbox::kAllSources); ++i) {
            registry.SetDword(RegistrySandbox::kAllSources[i], name + L".Dword", static_cast<DWORD>(i + 1));
            registry.SetString(RegistrySandbox::kAllSources[i], name + L".Text", L"source " + std::to_wstring(i + 1));
        }
        const bool none = first == std::size(RegistrySandbox::kAllSources);
        EXPECT_EQ(Settings().GetUserDword(name + L".Dword", kDefault), none ? kDefault : first + 1);
        EXPECT_EQ(Settings().GetUserDwordConfigDetails(name + L".Dword", 0), none ? 0 : first + 1);
        EXPECT_EQ(Settings().GetUserString(name + L".Text", kDefaultText),
                  none ? std::wstring(kDefaultText) : L"source " + std::to_wstring(first + 1));
    }
}

TEST(SettingsTypes, ValuesOfOtherTypesAreConvertedOrPassedOverTextNumbersMustFit32Bits)
{
    const std::wstring name = L"common_settings.Types";
    RegistrySandbox registry;
    registry.SetString(SettingsSource::MachinePolicy, name + L".Dword", L"not a number");
    registry.SetDword(SettingsSource::Machine, name + L".Dword", 7);
    registry.SetDword(SettingsSource::User, name + L".Seven", 7);
    registry.SetString(SettingsSource::User, name + L".Expand", L"%WINDIR%\\logs", REG_EXPAND_SZ);
    registry.SetString(SettingsSource::User, name + L".Empty", L"");
    wchar_t windows[MAX_PATH] = {};
    ASSERT_GT(::GetEnvironmentVariableW(L"WINDIR", windows, MAX_PATH), 0u);

    EXPECT_EQ(Settings().GetUserDword(name + L".Dword", kDefault), 7u);
    EXPECT_EQ(Settings().GetUserString(name + L".Seven", kDefaultText), L"7");
    EXPECT_EQ(Settings().GetUserString(name + L".Expand", kDefaultText), std::wstring(windows) + L"\\logs");
    // An empty value is a value: it does not fall back to the default.
    EXPECT_EQ(Settings().GetUserString(name + L".Empty", kDefaultText), L"");

    // Numbers stored as text are whole numbers within 32 bits.
    for (const auto& [stored, expected] : std::vector<std::pair<const wchar_t*, DWORD>>{
             {L" 42 ", 42}, {L"0x2A", 42}, {L"4294967295", 4294967295u}, {L"4294967296", kDefault},
             {L"-1", kDefault}, {L"12abc", kDefault}, {L"0x", kDefault}}) {
        registry.SetString(SettingsSource::User, name + L".FromText", stored);
        EXPECT_EQ(Settings().GetUserDword(name + L".FromText", kDefault), expected)
            << testing::PrintToString(std::wstring(stored));
    }
}

TEST(SettingsWrites, SaveGoesToTheUsersKeyAndPolicyStillWins)
{
    const std::wstring name = L"common_settings.Saved";
    RegistrySandbox registry;
    registry.Track(SettingsSource::User, name);
    for (const std::wstring& value : {std::wstring(L"Gr\u00fc\u00dfe \u2713"), std::wstring(10000, L'x')}) {
        Settings().SaveUserString(name, value);
        const auto stored = RegistrySandbox::ReadString(SettingsSource::User, name);
        ASSERT_TRUE(stored.has_value());
        EXPECT_EQ(stored->first, static_cast<DWORD>(REG_SZ));
        EXPECT_EQ(stored->second, value);
        EXPECT_EQ(Settings().GetUserString(name, kDefaultText), value);
    }
    for (SettingsSource other : {SettingsSource::UserPolicy, SettingsSource::MachinePolicy, SettingsSource::Machine})
        EXPECT_FALSE(RegistrySandbox::ReadString(other, name).has_value());

    registry.SetString(SettingsSource::MachinePolicy, name, L"enforced");
    Settings().SaveUserString(name, L"chosen by the user");
    EXPECT_EQ(Settings().GetUserString(name, kDefaultText), L"enforced");
}

} // namespace
