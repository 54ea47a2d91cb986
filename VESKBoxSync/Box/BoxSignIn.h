// The user's sign-in to Box: the authorize page in the host's web view, the authorization code
// from the address the page returns to, and that code redeemed for a token pair.
#pragma once

#include "BoxRecords.h"
#include "LSCancellableWait.h"
#include "StdString.h"

#include <chrono>
#include <string>

struct ILSShutdownInformer;

namespace Box_20 {

// How long the user may take over the sign-in page.
inline constexpr std::chrono::minutes kSignInTimeout{10};

// The new token pair. pageOpen: called again and again while the page is open. Throws
// hresult_exception E_FAIL "Failed getting auth code" when the page brings back no code (refused,
// closed, no web view, timed out), the bare HRESULT E_ABORT when the informer asks to stop, and
// what RetrieveAccessToken throws for the code's redemption.
RefreshTokensType SignInThroughWebView(ILSShutdownInformer* informer, const LSProgressNote& pageOpen);

// The "code" of the address the sign-in page ended on, percent-decoded; empty when the address is
// not the product's redirect address, carries no code, or a code with characters other than
// letters, digits and "-._~".
CStdStr<wchar_t> GetAuthCodeFromRedirect(const std::wstring& address, const std::wstring& redirectUri);

} // namespace Box_20
