#include "BoxTokenRequests.h"

#include "BoxCallLoop.h"
#include "BoxConstants.h"
#include "BoxExceptions.h"
#include "BoxJson.h"
#include "BoxOperationFailures.h"
#include "BoxTokenCache.h"
#include "BoxUrlBuilders.h"
#include "LSBaseJsonWS.h"
#include "LSBaseWS.h"
#include "LSDiag.h"
#include "LSHttpError.h"
#include "Utf8Converter.h"

#include <memory>

namespace Box_20 {

namespace {

constexpr wchar_t kPlace[] = L"Box_20::RetrieveAccessToken";

[[noreturn]] void Fail(const wchar_t* condition) { FailOperation(kPlace, condition); }

CStdStr<wchar_t> TokenRequestBody(bool authorizationCodeGrant, const std::wstring& codeOrRefreshToken,
                                  const OAuthClientConfig& config)
{
    return authorizationCodeGrant
               ? GetAuthCodeTokenRequestBody(codeOrRefreshToken, config.ClientId, config.ClientSecret)
               : GetRefreshTokenRequestBody(codeOrRefreshToken, config.ClientId, config.ClientSecret);
}

std::unique_ptr<ILSHttpRequest> OpenTokenRequest(const OAuthClientConfig& config)
{
    std::unique_ptr<ILSHttpRequest> request =
        OpenBoxRequest(BoxConstants().VerbPost, config.TokenEndpoint, kPlace, L"failed to open xml request");
    if (FAILED(request->SetRequestHeader(L"Accept", L"application/json")) ||
        FAILED(request->SetRequestHeader(L"Content-Type", L"application/x-www-form-urlencoded")))
        Fail(L"failed to set header on xml request");
    return request;
}

Json::Value ParseTokenReply(const ILSHttpRequest& request)
{
    Json::Value reply;
    std::string errors;
    if (!CLSBaseJsonWS::TryParseJson(CLSBaseJsonWS::ReplyBytes(request), reply, errors) || !reply.isObject())
        Fail(L"failed to parse response");
    return reply;
}

RefreshTokensType TokensFromReply(const Json::Value& reply)
{
    RefreshTokensType tokens{GetJsonString(reply, "access_token"), GetJsonString(reply, "refresh_token")};
    if (tokens.AccessToken.empty())
        Fail(L"empty access token");
    if (tokens.RefreshToken.empty())
        Fail(L"empty refresh token");
    return tokens;
}

} // namespace

OAuthClientConfig::OAuthClientConfig()
    : ClientId(BoxConstants().ClientId), ClientSecret(BoxConstants().ClientSecret),
      TokenEndpoint(BoxConstants().TokenEndpointUrl), RedirectUri(BoxConstants().RedirectUri)
{
}

RefreshTokensType RetrieveAccessToken(bool authorizationCodeGrant, ILSShutdownInformer* informer,
                                      const std::wstring& codeOrRefreshToken)
{
    const OAuthClientConfig config;
    std::unique_ptr<ILSHttpRequest> request = OpenTokenRequest(config);
    const _variant_t body(TokenRequestBody(authorizationCodeGrant, codeOrRefreshToken, config).c_str());
    try {
        CLSBaseWS::PerformAsyncVariantSend(request, config.TokenEndpoint, body, informer);
    } catch (const LSHttpError& error) {
        LOG(ERROR) << ":Error : " << WideToUtf8Lossy(error.FormatMessage());
        throw;
    }
    return TokensFromReply(ParseTokenReply(*request));
}

void RefreshAccessToken(ILSShutdownInformer* informer)
{
    const RefreshTokensType cached = GetCachedTokens(informer, false);
    const RefreshTokensType renewed = RetrieveAccessToken(false, informer, cached.RefreshToken);
    if (!renewed.AccessToken.empty())
        SetCachedTokens(renewed);
}

LSHttpHeaderMap SetDefaultHeaders(const RefreshTokensType& tokens)
{
    return {{L"Authorization", L"Bearer " + tokens.AccessToken},
            {L"Auth-Type", L"OAUTH2"},
            {L"Accept", L"application/json"},
            {L"Content-Type", L"application/json"}};
}

} // namespace Box_20
