// Resource strings from the host's stand-in DLLs: lookup chain, load hook, brand placeholders.
#include "LSModule.h"
#include "LSResources.h"
#include "LSSetting.h"
#include "LogCapture.h"
#include "ScratchFolder.h"

#include "HostResourceIds.h"

#include <gtest/gtest.h>


namespace {

// The test program carries 9001 and 9003 itself; the language DLL 9001, the common DLL 9001 and
// 9002, the brand DLL 9003 and the brand strings.
class ResourceChain : public testing::Test {
protected:
    void SetUp() override
    {
        LSResourceModules& modules = GetResourceModules();
        modules.language = LSSetting::LoadLanguageDll(L"VESKBoxSync32");
        modules.common = LoadUsersCommonResources(L"");
        modules.brand = LoadBrandResources(L"");
        ASSERT_TRUE(modules.language && modules.common && modules.brand);
        GetStringLoadHook() = ReplaceBrandPlaceholders;
    }
    void TearDown() override
    {
        GetResourceModules() = LSResourceModules{};
        GetStringLoadHook() = nullptr;
    }

    static std::wstring Load(UINT id)
    {
        CStdStr<wchar_t> text;
        return LoadResourceString(id, text) ? text : L"<none>";
    }
};

TEST_F(ResourceChain, LanguageThenThisModuleThenCommonThenBrandEachSkippedWhenMissing)
{
    EXPECT_EQ(Load(IDS_TEST_LANGUAGE_AND_COMMON), L"language module");
    EXPECT_EQ(Load(IDS_TEST_COMMON_ONLY), L"common module");
    EXPECT_EQ(Load(IDS_TEST_BRAND_ONLY), L"test program");
    EXPECT_EQ(Load(IDS_BRAND_COMPANY_NAME), L"Talvern");
    EXPECT_EQ(Load(IDS_DEFAULT_DOCUMENT_NAME), L"Untitled");

    GetResourceModules().language.reset();
    EXPECT_EQ(Load(IDS_TEST_LANGUAGE_AND_COMMON), L"test program");
    GetResourceModules().common.reset();
    EXPECT_EQ(Load(IDS_TEST_COMMON_ONLY), L"<none>");
    GetResourceModules().brand.reset();
    EXPECT_EQ(Load(IDS_BRAND_PRODUCT_NAME), L"<none>");
    // Placeholders stay without a brand module; an unknown id leaves the text empty.
    CStdStr<wchar_t> text = L"!!IDS_BRAND_PRODUCT_NAME!!";
    ReplaceBrandPlaceholders(text);
    EXPECT_EQ(text, L"!!IDS_BRAND_PRODUCT_NAME!!");
    EXPECT_FALSE(LoadResourceString(9999, text));
    EXPECT_TRUE(text.empty());
}

TEST_F(ResourceChain, EveryLoadedStringPassesTheHookWhichReplacesKnownBrandTokensOnly)
{
    EXPECT_EQ(Load(IDS_SCOPE_PARAMETER_PROMPT), L"Folder to search in VESK");
    GetStringLoadHook() = nullptr;
    EXPECT_EQ(Load(IDS_SCOPE_PARAMETER_PROMPT), L"Folder to search in !!IDS_BRAND_PRODUCT_NAME!!");
    GetStringLoadHook() = [](CStdStr<wchar_t>& text) { text += L" (seen)"; };
    EXPECT_EQ(Load(IDS_TEST_COMMON_ONLY), L"common module (seen)");
    EXPECT_EQ(Load(IDS_TEST_BRAND_ONLY), L"test program (seen)");

    for (const auto& [text, expected] : std::vector<std::pair<const wchar_t*, const wchar_t*>>{
             {L"!!IDS_BRAND_PRODUCT_NAME!!!!IDS_BRAND_COMPANY_NAME!!", L"VESKTalvern"},
             {L"!!IDS_BRAND_UNKNOWN!! and !!IDS_BRAND_COMPANY_NAME!!", L"!!IDS_BRAND_UNKNOWN!! and Talvern"},
             {L"!!IDS_BRAND_X!!IDS_BRAND_PRODUCT_NAME!!", L"!!IDS_BRAND_XVESK"},
             {L"unterminated !!IDS_BRAND_PRODUCT_NAME", L"unterminated !!IDS_BRAND_PRODUCT_NAME"},
             {L"!!IDS_BRAND_product_name!!", L"!!IDS_BRAND_product_name!!"}}) {
        CStdStr<wchar_t> replaced = text;
        ReplaceBrandPlaceholders(replaced);
        EXPECT_EQ(replaced, expected);
    }
}

TEST(ResourceModules, GivenFolderComesBeforeTheSearchPathAMissingLanguageDllIsLogged)
{
    ScratchFolder folder(L"common_settings-resources");
    // The language DLL under the brand DLL's name: its strings show which file was loaded.
    folder.Copy(GetThisModuleFolder() + L"\\VESKBoxSync32ENU.dll", L"VESKBrandResources32.dll");
    {
        const TalvernCommon::unique_hmodule fromFolder = LoadBrandResources(folder.Path());
        ASSERT_TRUE(fromFolder);
        wchar_t text[64] = {};
        ASSERT_GT(::LoadStringW(fromFolder.get(), IDS_TEST_LANGUAGE_AND_COMMON, text, 64), 0);
        EXPECT_STREQ(text, L"language module");
    }
    // A folder without the file falls back to the search path; a module found nowhere is null.
    EXPECT_TRUE(LoadUsersCommonResources(folder.Path()));
    EXPECT_FALSE(LoadResourceModule(L"VESKNoSuchResources32.dll", L""));

    LogCapture log;
    EXPECT_FALSE(LSSetting::LoadLanguageDll(L"VESKNoSuchModule32"));
    EXPECT_TRUE(log.Contains(google::GLOG_ERROR, "Failed loading language dll VESKNoSuchModule32ENU.dll"));
}

} // namespace
