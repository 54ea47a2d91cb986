// The first filter of a process seeds the token cache from the settings; alone in its program, as the cache lives on.
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

using namespace FilterTests;

namespace {

constexpr SettingsSource kUserSettings = SettingsSource::User;

// Both are once per process, so they make one case.
TEST(TokenSeeding, StoredPairIsSeededAndTheEnterpriseIdFetchedOncePerProcess)
{
    const TestSupport::BoxStandIn standIn = TestSupport::BoxStandIn::FromEnvironment();
    standIn.Reset();
    RegistrySandbox settings;
    settings.SetString(kUserSettings, Box_20::kMockBoxServiceSetting, standIn.BaseUrlWide());
    // The product writes these back; the sandbox removes them.
    for (const wchar_t* written : {Box_20::kAccessTokenSetting, Box_20::kRefreshTokenSetting, L"BoxSync.UserId"})
        settings.Track(kUserSettings, written);
    const auto storeTokens = [&](const std::wstring& access, const std::wstring& refresh) {
        settings.SetString(kUserSettings, Box_20::kAccessTokenSetting, access);
        settings.SetString(kUserSettings, Box_20::kRefreshTokenSetting, refresh);
    };
    // The bearer header of the one user-info request this sends.
    const auto bearerOfNextRequest = [&] {
        const int since = standIn.JournalNext();
        Box_20::CallBoxAPI(Box_20::GetServiceUrl(Box_20::ServiceUserInfo), nullptr, Box_20::BoxConstants().VerbGet,
                           _variant_t(), false);
        const Json::Value entries = standIn.JournalEntries(since, "/2.0/users/me");
        return entries.size() == 1 ? TestSupport::JournalHeader(entries[0], "Authorization")
                                   : "requests: " + std::to_string(entries.size());
    };
    ASSERT_TRUE(Box_20::GetCachedTokens(nullptr, true).AccessToken.empty()) << "the process started with tokens";

    // An empty stored access token leaves the cache empty, so the first Box call signs in.
    storeTokens(L"", L"refresh-without-access");
    std::make_unique<BoxFilter>();
    EXPECT_TRUE(Box_20::GetCachedTokens(nullptr, true).AccessToken.empty());
    EXPECT_TRUE(Box_20::GetCachedTokens(nullptr, true).RefreshToken.empty());

    const Json::Value tokens = standIn.Get("tokens");
    const std::wstring access = AnsiToWide(tokens["access_token"].asString());
    const std::wstring refresh = AnsiToWide(tokens["refresh_token"].asString());
    storeTokens(access, refresh);
    std::make_unique<BoxFilter>();

    const Box_20::RefreshTokensType seeded = Box_20::GetCachedTokens(nullptr, true);
    EXPECT_EQ(access, seeded.AccessToken);
    EXPECT_EQ(refresh, seeded.RefreshToken);
    EXPECT_EQ("Bearer " + WideToUtf8Lossy(access), bearerOfNextRequest());

    // A later object finds the pair in the cache and does not read the settings again.
    storeTokens(L"changed-access", L"changed-refresh");
    std::make_unique<BoxFilter>();
    EXPECT_EQ(access, Box_20::GetCachedTokens(nullptr, true).AccessToken);
    EXPECT_EQ("Bearer " + WideToUtf8Lossy(access), bearerOfNextRequest());

    // The enterprise id names the metadata scope of every listing: it is fetched once per process,
    // and the user's id is left in the settings for the host.
    standIn.Post("seed", TestSupport::ParseJson(R"({"user": {"id": "77001", "name": "Ada", "login": "a@x.com",
                                                         "enterprise_id": "880042"}})"));
    const int since = standIn.JournalNext();
    EXPECT_EQ(L"880042", BoxFilter().GetBoxUserId());
    EXPECT_EQ(L"880042", BoxFilter().GetBoxUserId());
    EXPECT_EQ(1u, standIn.JournalEntries(since, "/2.0/users/me").size());
    EXPECT_EQ(L"77001", LSSetting::GetInstance().GetUserString(L"BoxSync.UserId", L""));
}

} // namespace
