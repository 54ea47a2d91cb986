// The settings a filter object reads: Box paging limits and their clamps, the framework's size
// limit and exclusion patterns, and the process-wide Box texts.
#include "FilterTestObjects.h"
#include "RegistrySandbox.h"

#include "BoxExceptions.h"
#include "HResultException.h"

#include <gtest/gtest.h>

#include <limits>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

using namespace FilterTests;

namespace {

constexpr SettingsSource kUserSettings = SettingsSource::User;
const std::wstring kPagingSetting = L"BoxSync.MarkerBasedPagingLimit";
const std::wstring kIncrementalSetting = L"BoxSync.MarkerBasedIncrementalLimit";
const std::wstring kPlainExclusionSetting = std::wstring(PlainRepository::kPrefix) + L".ExcludeFileRegEx";
const std::wstring kPlainMaxSizeSetting = std::wstring(PlainRepository::kPrefix) + L".MaxFileSizeInKB";

TEST(PagingLimits, ClampOutOfRangeValuesToTheirDefaults)
{
    using Setting = std::optional<DWORD>;
    const std::tuple<Setting, Setting, uint32_t, uint32_t> cases[] = {
        {std::nullopt, std::nullopt, 500, 100}, {0, std::nullopt, 500, 100}, {1001, std::nullopt, 500, 100},
        {0xFFFFFFFF, std::nullopt, 500, 100}, {700, 5000, 700, 100}, {std::nullopt, 1, 500, 1},
    };
    for (const auto& [paging, incremental, expectedPaging, expectedIncremental] : cases) {
        RegistrySandbox settings;
        if (paging)
            settings.SetDword(kUserSettings, kPagingSetting, *paging);
        if (incremental)
            settings.SetDword(kUserSettings, kIncrementalSetting, *incremental);
        EXPECT_EQ(std::make_pair(expectedPaging, expectedIncremental), VESKBoxSyncFilterImpl::GetPagingLimits())
            << paging.value_or(0) << " " << incremental.value_or(0);
    }
}

// Whether the pattern at `pattern` (an index) excludes the name.
struct ExclusionProbe {
    size_t pattern;
    const wchar_t* name;
    bool excluded;
};

struct ExclusionCase {
    const char* name;
    const wchar_t* setting;
    size_t patterns;
    std::vector<ExclusionProbe> probes;
};

const ExclusionCase kExclusionCases[] = {
    {"EscapedLineBreakSeparatesTwoPatterns", L"a\\nb", 2,
     {{0, L"a", true}, {0, L"b", false}, {1, L"b", true}, {1, L"a", false}}},
    // An empty regular expression would find every name; an empty piece must exclude nothing.
    {"TrailingLineBreakGivesALastPatternThatMatchesNothing", L"tmp\\n", 2,
     {{0, L"report.tmp", true}, {1, L"report.docx", false}, {1, L"tmp", false}, {1, L"", false}}},
    // A piece that is no regular expression is logged and excludes nothing; the others still work.
    {"InvalidPieceMatchesNothing", L"ok\\n(unclosed", 2, {{0, L"ok.txt", true}, {1, L"(unclosed", false}}},
    {"EmptySettingGivesNone", L"", 0, {}},
    {"MatchWithoutRegardToLetterCase", L"^Draft", 1,
     {{0, L"DRAFT report.docx", true}, {0, L"draft.docx", true}, {0, L"final draft.docx", false}}},
};

class ExclusionPatternTexts : public ::testing::TestWithParam<ExclusionCase> {};

TEST_P(ExclusionPatternTexts, SplitAtLineBreaksAndMatchTheirNames)
{
    const ExclusionCase& exclusions = GetParam();
    RegistrySandbox settings;
    settings.SetString(kUserSettings, kPlainExclusionSetting, exclusions.setting);
    const auto filter = std::make_unique<PlainFilter>();
    const auto& patterns = filter->ExclusionPatterns();

    ASSERT_EQ(exclusions.patterns, patterns.size());
    for (const ExclusionProbe& probe : exclusions.probes) {
        EXPECT_EQ(probe.excluded, std::regex_search(probe.name, patterns[probe.pattern]))
            << "pattern " << probe.pattern << " on \"" << probe.name << "\"";
    }
}

INSTANTIATE_TEST_SUITE_P(Settings, ExclusionPatternTexts, ::testing::ValuesIn(kExclusionCases),
                         [](const auto& info) { return std::string(info.param.name); });

uint32_t PlainMaxFileSize(std::optional<DWORD> kilobytes)
{
    RegistrySandbox settings;
    if (kilobytes)
        settings.SetDword(kUserSettings, kPlainMaxSizeSetting, *kilobytes);
    return std::make_unique<PlainFilter>()->MaxFileSizeBytes();
}

// 4194304 KB is 4 GiB, one byte more than 32 bits hold: it must not wrap to a zero limit.
TEST(MaxFileSize, IsTheSettingInKilobytesSaturatingAt32Bits)
{
    EXPECT_EQ(52428800u, PlainMaxFileSize(std::nullopt));
    EXPECT_EQ(0xFFFFFC00u, PlainMaxFileSize(4194303));
    EXPECT_EQ(std::numeric_limits<uint32_t>::max(), PlainMaxFileSize(4194304));
    RegistrySandbox settings;
    settings.SetDword(kUserSettings, L"BoxSync.MaxFileSizeInKB", 3);
    EXPECT_EQ(3072u, std::make_unique<BoxFilter>()->MaxFileSizeBytes()) << "the Box filter reads its own prefix";
}

TEST(EmailMetadataTemplateName, UnsetFailsUntilTheSettingAppears)
{
    RegistrySandbox settings;
    try {
        VESKBoxSyncFilterImpl::GetEmailMetadataTemplateName();
        FAIL() << "an unset template name was accepted";
    } catch (const Box_20::ApiException& error) {
        EXPECT_EQ(L"Failed to get template from registry for email metadata", error.GetText());
    }

    settings.SetString(kUserSettings, L"BoxSync.EmailMetaDataTemplateName", L"vesk_email");
    EXPECT_EQ(L"vesk_email", VESKBoxSyncFilterImpl::GetEmailMetadataTemplateName());
}

} // namespace
