// Construction and destruction of the Box filter object.
#include "VESKBoxSyncFilterImpl.h"

#include "BoxTokenCache.h"
#include "LSNamedProperties.h"
#include "LSSetting.h"

namespace {
constexpr wchar_t kSettingsPrefix[] = L"BoxSync";
} // namespace

VESKBoxSyncFilterImpl::VESKBoxSyncFilterImpl() : m_searchPager(this)
{
    InitSettings(kSettingsPrefix);
    SeedTokenCacheFromSettings();
}

VESKBoxSyncFilterImpl::~VESKBoxSyncFilterImpl() = default;

// The first filter object of a process starts from the pair the user's settings kept, so that a
// new Outlook session needs no sign-in. Later objects find the pair in the cache.
void VESKBoxSyncFilterImpl::SeedTokenCacheFromSettings()
{
    if (!Box_20::GetCachedTokens(m_shutdownInformer.get(), true).AccessToken.empty())
        return;
    const LSSetting& settings = LSSetting::GetInstance();
    Box_20::RefreshTokensType stored{settings.GetUserString(Box_20::kAccessTokenSetting, L""),
                                     settings.GetUserString(Box_20::kRefreshTokenSetting, L"")};
    if (!stored.AccessToken.empty())
        Box_20::SetCachedTokens(stored);
}

CStdStr<wchar_t> VESKBoxSyncFilterImpl::GetRepositoryName() const
{
    return static_cast<const wchar_t*>(LSRepositoryTypes::Box);
}

CStdStr<wchar_t> VESKBoxSyncFilterImpl::GetSettingsPrefix() const { return kSettingsPrefix; }
