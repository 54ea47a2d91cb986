#include "BoxTokenCache.h"

#include "BoxSignIn.h"
#include "BoxTokenLocks.h"
#include "HResultException.h"
#include "LSSetting.h"

#include <atomic>
#include <chrono>
#include <mutex>

namespace Box_20 {

namespace {

constexpr std::chrono::milliseconds kCacheLockTry{200};

RefreshTokensType& CachedPair()
{
    static RefreshTokensType pair;
    return pair;
}

RefreshTokensType ReadCachedPair()
{
    std::unique_lock<std::timed_mutex> lock(BoxTokenMutex, kCacheLockTry);
    if (!lock.owns_lock())
        throw hresult_exception(E_FAIL, kTokensBlockedText);
    return CachedPair();
}

RefreshTokensType ReadStoredPair()
{
    const LSSetting& settings = LSSetting::GetInstance();
    return {settings.GetUserString(kAccessTokenSetting, L""), settings.GetUserString(kRefreshTokenSetting, L"")};
}

void StorePair(const RefreshTokensType& tokens)
{
    LSSetting& settings = LSSetting::GetInstance();
    settings.SaveUserString(kAccessTokenSetting, tokens.AccessToken);
    settings.SaveUserString(kRefreshTokenSetting, tokens.RefreshToken);
}

// The sign-in pumps the caller's messages for minutes, so it must not hold the cache lock (a
// message handled meanwhile may ask for the tokens on the same thread). This flag keeps a second
// sign-in page from opening while one is shown, on this thread or another.
class SignInInProgress {
public:
    SignInInProgress()
    {
        if (Flag().exchange(true))
            throw hresult_exception(E_FAIL, kTokensBlockedText);
    }
    ~SignInInProgress() { Flag() = false; }
    SignInInProgress(const SignInInProgress&) = delete;
    SignInInProgress& operator=(const SignInInProgress&) = delete;

private:
    static std::atomic<bool>& Flag()
    {
        static std::atomic<bool> running{false};
        return running;
    }
};

} // namespace

RefreshTokensType GetCachedTokens(ILSShutdownInformer* informer, bool noSignIn, const LSProgressNote& signInOpen)
{
    RefreshTokensType tokens = ReadCachedPair();
    if (noSignIn || !tokens.AccessToken.empty())
        return tokens;
    const SignInInProgress signIn;
    // A sign-in that ended while this caller read the empty pair has stored what it got.
    tokens = ReadCachedPair();
    if (!tokens.AccessToken.empty())
        return tokens;
    tokens = SignInThroughWebView(informer, signInOpen);
    SetCachedTokens(tokens);
    return tokens;
}

void SetCachedTokens(const RefreshTokensType& tokens)
{
    StorePair(tokens);
    const std::lock_guard<std::timed_mutex> lock(BoxTokenMutex);
    CachedPair() = tokens;
}

void ClearCachedTokens(const std::wstring& refreshTokenRefused)
{
    const std::lock_guard<std::timed_mutex> lock(BoxTokenMutex);
    const RefreshTokensType stored = ReadStoredPair();
    if (!stored.RefreshToken.empty() && stored.RefreshToken != refreshTokenRefused) {
        CachedPair() = stored;
        return;
    }
    const RefreshTokensType empty;
    StorePair(empty);
    CachedPair() = empty;
}

} // namespace Box_20
