// The settings a filter reads: Box paging limits, the framework's size limit and exclusions, the Box texts.
#include "FilterTestObjects.h"
#include "RegistrySandbox.h"

#include "BoxExceptions.h"
#include "HResultException.h"

#include <gtest/gtest.h>

#include <limits>
#include <optional>
#include <tuple>

using namespace FilterTests;

namespace {

constexpr SettingsSource kUserSettings = SettingsSource::User;
const std::wstring kPlainPrefix = PlainRepository::kPrefix;

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
            settings.SetDword(kUserSettings, L"BoxSync.MarkerBasedPagingLimit", *paging);
        if (incremental)
            settings.SetDword(kUserSettings, L"BoxSync.MarkerBasedIncrementalLimit", *incremental);
        EXPECT_EQ(std::make_pair(expectedPaging, expectedIncremental), VESKBoxSyncFilterImpl::GetPagingLimits())
            << paging.value_or(0) << " " << incremental.value_or(0);
    }
}

// Each setting, the number of patterns it gives, and names with whether pattern `index` excludes them.
struct ExclusionCase {
    const wchar_t* setting;
    size_t patterns;
    std::vector<std::tuple<size_t, const wchar_t*, bool>> probes;
};

TEST(ExclusionPatternTexts, SplitAtLineBreaksAndMatchTheirNames)
{
    const ExclusionCase cases[] = {
        {L"a\\nb", 2, {{0, L"a", true}, {0, L"b", false}, {1, L"b", true}, {1, L"a", false}}},
        // An empty regular expression would find every name; an empty piece must exclude nothing.
        {L"tmp\\n", 2, {{0, L"report.tmp", true}, {1, L"report.docx", false}, {1, L"tmp", false}, {1, L"", false}}},
        // A piece that is no regular expression is logged and excludes nothing; the others still work.
        {L"ok\\n(unclosed", 2, {{0, L"ok.txt", true}, {1, L"(unclosed", false}}},
        {L"", 0, {}},
        {L"^Draft", 1, {{0, L"DRAFT report.docx", true}, {0, L"draft.docx", true}, {0, L"final draft.docx", false}}},
    };
    for (const ExclusionCase& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.setting)));
        RegistrySandbox settings;
        settings.SetString(kUserSettings, kPlainPrefix + L".ExcludeFileRegEx", c.setting);
        const auto filter = std::make_unique<PlainFilter>();
        const auto& patterns = filter->ExclusionPatterns();
        ASSERT_EQ(c.patterns, patterns.size());
        for (const auto& [index, name, excluded] : c.probes)
            EXPECT_EQ(excluded, std::regex_search(name, patterns[index])) << "pattern " << index << " on " << name;
    }
}

// 4194304 KB is 4 GiB, one byte more than 32 bits hold: it must not wrap to a zero limit.
TEST(MaxFileSize, IsTheSettingInKilobytesSaturatingAt32Bits)
{
    EXPECT_EQ(52428800u, std::make_unique<PlainFilter>()->MaxFileSizeBytes());
    for (const auto& [kilobytes, bytes] : {std::pair<DWORD, uint32_t>{4194303, 0xFFFFFC00u},
                                           {4194304, std::numeric_limits<uint32_t>::max()}}) {
        RegistrySandbox settings;
        settings.SetDword(kUserSettings, kPlainPrefix + L".MaxFileSizeInKB", kilobytes);
        EXPECT_EQ(bytes, std::make_unique<PlainFilter>()->MaxFileSizeBytes()) << kilobytes;
    }
    RegistrySandbox settings;
    settings.SetDword(kUserSettings, L"BoxSync.MaxFileSizeInKB", 3);
    EXPECT_EQ(3072u, std::make_unique<BoxFilter>()->MaxFileSizeBytes()) << "the Box filter reads its own prefix";
}

TEST(EmailMetadataTemplateName, UnsetFailsUntilTheSettingAppears)
{
    RegistrySandbox settings;
    std::wstring refusal = L"none";
    try {
        VESKBoxSyncFilterImpl::GetEmailMetadataTemplateName();
    } catch (const Box_20::ApiException& error) {
        refusal = error.GetText();
    }
    EXPECT_EQ(L"Failed to get template from registry for email metadata", refusal);
    settings.SetString(kUserSettings, L"BoxSync.EmailMetaDataTemplateName", L"vesk_email");
    EXPECT_EQ(L"vesk_email", VESKBoxSyncFilterImpl::GetEmailMetadataTemplateName());
}

} // namespace
