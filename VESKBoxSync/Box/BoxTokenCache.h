// The process's OAuth token pair. It lives in memory for every filter object of the process and
// in the user's settings, so that the next process starts signed in.
#pragma once

#include "BoxRecords.h"
#include "LSCancellableWait.h"

#include <string>

struct ILSShutdownInformer;

namespace Box_20 {

inline constexpr wchar_t kAccessTokenSetting[] = L"BoxSync.AccessToken";
inline constexpr wchar_t kRefreshTokenSetting[] = L"BoxSync.RefreshToken";

// A copy of the cached pair. The cache lock is tried for 200 ms; when it stays taken this throws
// hresult_exception E_FAIL "Blocked from accessing Box tokens, perhaps from another auth dialog".
// With noSignIn the pair is returned as it is (both empty when nothing is cached). Otherwise an
// empty access token first runs the sign-in through the host's web view and stores its pair; a
// sign-in that brings no authorization code throws hresult_exception E_FAIL "Failed getting auth
// code", a shutdown during it the bare HRESULT E_ABORT. Only one sign-in runs at a time in the
// process: a caller that meets a running one gets the "Blocked ..." failure instead of a second
// sign-in page. signInOpen: called again and again while a sign-in page this call opened is open,
// so that the waiters of a lock the caller holds wait on (LSRequestLock::ProgressNote).
RefreshTokensType GetCachedTokens(ILSShutdownInformer* informer, bool noSignIn,
                                  const LSProgressNote& signInOpen = {});

// Writes the pair to "BoxSync.AccessToken" and "BoxSync.RefreshToken", then replaces the pair in
// memory, waiting for the cache lock as long as it takes.
void SetCachedTokens(const RefreshTokensType& tokens);

// Forgets the pair after Box refused refreshTokenRefused, so that the next call signs in again.
// Another process of the user may have refreshed meanwhile and stored a newer pair in the
// settings: then that pair is taken into memory instead, and nothing is cleared.
void ClearCachedTokens(const std::wstring& refreshTokenRefused);

} // namespace Box_20
