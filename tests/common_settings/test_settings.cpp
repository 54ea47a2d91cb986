// The settings store against the real registry: precedence of the four sources, defaults, value
// types, writing, and use from several threads.
#include "LSSetting.h"
#include "RegistrySandbox.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr DWORD kDefault = 4242;
const CStdStr<wchar_t> kDefaultText = L"the default";

LSSetting& Settings() { return LSSetting::GetInstance(); }

// Sources from `first` on hold value number (index + 1); the first of them must win.
TEST(SettingsPrecedence, FirstSourceHoldingTheValueWins)
{
    const std::wstring name = L"common_settings.Precedence";
    for (size_t first = 0; first < std::size(RegistrySandbox::kAllSources); ++first) {
        SCOPED_TRACE(first);
        RegistrySandbox registry;
        for (size_t i = first; i < std::size(RegistrySandbox::kAllSources); ++i) {
            registry.SetDword(RegistrySandbox::kAllSources[i], name + L".Dword", static_cast<DWORD>(i + 1));
            registry.SetString(RegistrySandbox::kAllSources[i], name + L".Text", L"source " + std::to_wstring(i + 1));
        }
        EXPECT_EQ(Settings().GetUserDword(name + L".Dword", kDefault), first + 1);
        EXPECT_EQ(Settings().GetUserDwordConfigDetails(name + L".Dword", kDefault), first + 1);
        EXPECT_EQ(Settings().GetUserString(name + L".Text", kDefaultText), L"source " + std::to_wstring(first + 1));
    }
}

TEST(SettingsPrecedence, MissingEverywhereGivesTheDefault)
{
    const std::wstring name = L"common_settings.Missing";
    EXPECT_EQ(Settings().GetUserDword(name, kDefault), kDefault);
    EXPECT_EQ(Settings().GetUserDwordConfigDetails(name, 0), 0u);
    EXPECT_EQ(Settings().GetUserString(name, kDefaultText), kDefaultText);
}

TEST(SettingsPrecedence, ValueOfUnusableTypeIsPassedOver)
{
    const std::wstring name = L"common_settings.UnusableType";
    RegistrySandbox registry;
    registry.SetBinary(SettingsSource::UserPolicy, name, {1, 2, 3, 4});
    registry.SetString(SettingsSource::MachinePolicy, name + L".Dword", L"not a number");
    registry.SetDword(SettingsSource::Machine, name + L".Dword", 7);
    registry.SetString(SettingsSource::User, name, L"user text");

    EXPECT_EQ(Settings().GetUserString(name, kDefaultText), L"user text");
    EXPECT_EQ(Settings().GetUserDword(name + L".Dword", kDefault), 7u);
}

TEST(SettingsPrecedence, EmptyNameReadsTheKeysDefaultValue)
{
    RegistrySandbox registry;
    registry.SetString(SettingsSource::MachinePolicy, L"", L"default value of the key");
    EXPECT_EQ(Settings().GetUserString(L"", kDefaultText), L"default value of the key");
}

struct DwordTextCase {
    const wchar_t* stored;
    DWORD expected;
};

class DwordFromText : public testing::TestWithParam<DwordTextCase> {};

TEST_P(DwordFromText, ReadsWholeNumbersWithin32Bits)
{
    const std::wstring name = L"common_settings.DwordFromText";
    RegistrySandbox registry;
    registry.SetString(SettingsSource::User, name, GetParam().stored);
    EXPECT_EQ(Settings().GetUserDword(name, kDefault), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Texts, DwordFromText,
                         testing::Values(DwordTextCase{L"42", 42}, DwordTextCase{L" 42 ", 42},
                                         DwordTextCase{L"0x2A", 42}, DwordTextCase{L"0", 0},
                                         DwordTextCase{L"4294967295", 4294967295u},
                                         DwordTextCase{L"4294967296", kDefault}, DwordTextCase{L"-1", kDefault},
                                         DwordTextCase{L"12abc", kDefault}, DwordTextCase{L"0x", kDefault},
                                         DwordTextCase{L"", kDefault}));

TEST(SettingsTypes, StringReadsOfOtherTypes)
{
    const std::wstring name = L"common_settings.StringTypes";
    RegistrySandbox registry;
    registry.SetDword(SettingsSource::User, name + L".Dword", 7);
    registry.SetString(SettingsSource::User, name + L".Expand", L"%WINDIR%\\logs", REG_EXPAND_SZ);
    registry.SetString(SettingsSource::User, name + L".Empty", L"");

    wchar_t windows[MAX_PATH] = {};
    ASSERT_GT(::GetEnvironmentVariableW(L"WINDIR", windows, MAX_PATH), 0u);

    EXPECT_EQ(Settings().GetUserString(name + L".Dword", kDefaultText), L"7");
    EXPECT_EQ(Settings().GetUserString(name + L".Expand", kDefaultText), std::wstring(windows) + L"\\logs");
    // An empty value is a value: it does not fall back to the default.
    EXPECT_EQ(Settings().GetUserString(name + L".Empty", kDefaultText), L"");
}

TEST(SettingsWrites, SaveGoesToTheUsersKeyAndReadsBack)
{
    const std::wstring name = L"common_settings.Saved";
    RegistrySandbox registry;
    registry.Track(SettingsSource::User, name);
    const std::wstring values[] = {L"first", L"Gr\u00fc\u00dfe \u2713", std::wstring(10000, L'x'), L""};
    for (const std::wstring& value : values) {
        Settings().SaveUserString(name, value);
        const auto stored = RegistrySandbox::ReadString(SettingsSource::User, name);
        ASSERT_TRUE(stored.has_value());
        EXPECT_EQ(stored->first, static_cast<DWORD>(REG_SZ));
        EXPECT_EQ(stored->second, value);
        EXPECT_EQ(Settings().GetUserString(name, kDefaultText), value);
    }
    for (SettingsSource other : {SettingsSource::UserPolicy, SettingsSource::MachinePolicy, SettingsSource::Machine})
        EXPECT_FALSE(RegistrySandbox::ReadString(other, name).has_value());
}

TEST(SettingsWrites, PolicyStillWinsOverASavedValue)
{
    const std::wstring name = L"common_settings.PolicyOverSaved";
    RegistrySandbox registry;
    registry.Track(SettingsSource::User, name);
    registry.SetString(SettingsSource::MachinePolicy, name, L"enforced");
    Settings().SaveUserString(name, L"chosen by the user");
    EXPECT_EQ(Settings().GetUserString(name, kDefaultText), L"enforced");
}

TEST(SettingsConcurrency, ThreadsReadAndWriteTheirOwnValues)
{
    constexpr int kThreads = 8;
    constexpr int kRounds = 50;
    RegistrySandbox registry;
    for (int t = 0; t < kThreads; ++t)
        registry.Track(SettingsSource::User, L"common_settings.Thread" + std::to_wstring(t));

    std::atomic<int> mismatches{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t, &mismatches] {
            const std::wstring name = L"common_settings.Thread" + std::to_wstring(t);
            for (int round = 0; round < kRounds; ++round) {
                const std::wstring value = std::to_wstring(t * 1000 + round);
                Settings().SaveUserString(name, value);
                if (Settings().GetUserString(name, L"") != value ||
                    Settings().GetUserDword(name, kDefault) != static_cast<DWORD>(t * 1000 + round))
                    ++mismatches;
            }
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(mismatches, 0);
}

} // namespace
