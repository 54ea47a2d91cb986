// The first filter object of a process takes the stored token pair into the token cache, and the
// first Box request carries it. Runs alone in its process: the cache lives as long as the process.
#include "FilterTestObjects.h"
#include "RegistrySandbox.h"

#include "BoxCallLoop.h"
#include "BoxConstants.h"
#include "BoxServiceTable.h"
#include "BoxStandIn.h"
#include "BoxTokenCache.h"
#include "BoxUrlBuilders.h"
#include "LSSetting.h"
#include "JsonText.h"
#include "StandInJournal.h"
#include "StringUtils.h"
#include "Utf8Converter.h"

#include <gtest/gtest.h>

#include <string>

using namespace FilterTests;

namespace {

constexpr SettingsSource kUserSettings = SettingsSource::User;

class TokenSeeding : public ::testing::Test {
protected:
    void SetUp() override
    {
        standIn_.Reset();
        settings_.SetString(kUserSettings, Box_20::kMockBoxServiceSetting, standIn_.BaseUrlWide());
    }
    void TearDown() override
    {
        // SetCachedTokens writes the settings back; the sandbox removes them.
        settings_.Track(kUserSettings, Box_20::kAccessTokenSetting);
        settings_.Track(kUserSettings, Box_20::kRefreshTokenSetting);
    }

    void StoreTokens(const std::wstring& access, const std::wstring& refresh)
    {
        settings_.SetString(kUserSettings, Box_20::kAccessTokenSetting, access);
        settings_.SetString(kUserSettings, Box_20::kRefreshTokenSetting, refresh);
    }

    // The bearer header of the user-info request this sends to the stand-in.
    std::string BearerOfNextRequest() const
    {
        const int since = standIn_.JournalNext();
        Box_20::CallBoxAPI(Box_20::GetServiceUrl(Box_20::ServiceUserInfo), nullptr, Box_20::BoxConstants().VerbGet,
                           _variant_t(), false);
        const Json::Value entries = standIn_.JournalEntries(since, "/2.0/users/me");
        if (entries.size() != 1)
            return "expected one request, saw " + std::to_string(entries.size());
        return TestSupport::JournalHeader(entries[0], "Authorization");
    }

    TestSupport::BoxStandIn standIn_ = TestSupport::BoxStandIn::FromEnvironment();
    RegistrySandbox settings_;
};

// Both are once per process, so they make one case.
TEST_F(TokenSeeding, StoredPairIsSeededAndTheEnterpriseIdFetchedOncePerProcess)
{
    ASSERT_TRUE(Box_20::GetCachedTokens(nullptr, true).AccessToken.empty()) << "the process started with tokens";

    // An empty stored access token leaves the cache empty, so the first Box call signs in.
    StoreTokens(L"", L"refresh-without-access");
    std::make_unique<BoxFilter>();
    EXPECT_TRUE(Box_20::GetCachedTokens(nullptr, true).AccessToken.empty());
    EXPECT_TRUE(Box_20::GetCachedTokens(nullptr, true).RefreshToken.empty());

    const Json::Value tokens = standIn_.Get("tokens");
    const std::wstring access = AnsiToWide(tokens["access_token"].asString());
    const std::wstring refresh = AnsiToWide(tokens["refresh_token"].asString());
    StoreTokens(access, refresh);
    std::make_unique<BoxFilter>();

    const Box_20::RefreshTokensType seeded = Box_20::GetCachedTokens(nullptr, true);
    EXPECT_EQ(access, seeded.AccessToken);
    EXPECT_EQ(refresh, seeded.RefreshToken);
    EXPECT_EQ("Bearer " + WideToUtf8Lossy(access), BearerOfNextRequest());

    // A later object finds the pair in the cache and does not read the settings again.
    StoreTokens(L"changed-access", L"changed-refresh");
    std::make_unique<BoxFilter>();
    EXPECT_EQ(access, Box_20::GetCachedTokens(nullptr, true).AccessToken);
    EXPECT_EQ("Bearer " + WideToUtf8Lossy(access), BearerOfNextRequest());

    // The enterprise id names the metadata scope of every listing: it is fetched once per process,
    // and the user's id is left in the settings for the host.
    standIn_.Post("seed", TestSupport::ParseJson(R"({"user": {"id": "77001", "name": "Ada", "login": "a@x.com",
                                                         "enterprise_id": "880042"}})"));
    settings_.Track(kUserSettings, L"BoxSync.UserId");
    const int since = standIn_.JournalNext();
    EXPECT_EQ(L"880042", BoxFilter().GetBoxUserId());
    EXPECT_EQ(L"880042", BoxFilter().GetBoxUserId());
    EXPECT_EQ(1u, standIn_.JournalEntries(since, "/2.0/users/me").size());
    EXPECT_EQ(L"77001", LSSetting::GetInstance().GetUserString(L"BoxSync.UserId", L""));
}

} // namespace
