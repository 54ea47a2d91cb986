// The OAuth token requests: redeeming a sign-in's authorization code and renewing an expired
// access token with the refresh token.
#pragma once

#include "BoxRecords.h"
#include "LSBaseWS.h"
#include "StdString.h"

#include <string>

struct ILSShutdownInformer;

namespace Box_20 {

// The product's registration with Box, as every token request and the sign-in page need it.
struct OAuthClientConfig {
    OAuthClientConfig();

    CStdStr<wchar_t> ClientId;
    CStdStr<wchar_t> ClientSecret;
    CStdStr<wchar_t> TokenEndpoint;
    CStdStr<wchar_t> RedirectUri;
};

// One POST to the token endpoint, outside the call loop: the authorization-code grant with the
// code, or the refresh grant with the refresh token. An LSHttpError is logged and thrown on; a
// reply without both tokens, or a request that cannot be prepared, throws ApiException
// "Box_20::RetrieveAccessToken <condition>".
RefreshTokensType RetrieveAccessToken(bool authorizationCodeGrant, ILSShutdownInformer* informer,
                                      const std::wstring& codeOrRefreshToken);

// Trades the cached refresh token for a new pair and caches that pair. Failures pass through.
void RefreshAccessToken(ILSShutdownInformer* informer);

// The headers of an API request made outside XMLHTTP (WinINet downloads): bearer authorisation
// and the JSON accept and content types.
LSHttpHeaderMap SetDefaultHeaders(const RefreshTokensType& tokens);

} // namespace Box_20
