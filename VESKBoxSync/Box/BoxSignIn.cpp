#include "BoxSignIn.h"

#include "BoxTokenRequests.h"
#include "BoxUrlBuilders.h"
#include "HResultException.h"
#include "LSCancelCheck.h"
#include "LSDiag.h"
#include "LSWebViewProcessCallbackClient.h"
#include "StringUtils.h"
#include "Utf8Converter.h"

#include <stdexcept>

namespace Box_20 {

namespace {

constexpr char kNoCodeText[] = "Failed getting auth code";

int HexDigitValue(char digit)
{
    if (digit >= '0' && digit <= '9')
        return digit - '0';
    if (digit >= 'a' && digit <= 'f')
        return digit - 'a' + 10;
    if (digit >= 'A' && digit <= 'F')
        return digit - 'A' + 10;
    return -1;
}

// Query values are percent-encoded UTF-8; "+" stands for a blank in a form-style query.
CStdStr<wchar_t> PercentDecode(const std::wstring& value)
{
    const std::string encoded = WideToUtf8Lossy(value);
    std::string bytes;
    for (size_t i = 0; i < encoded.size(); ++i) {
        const bool escaped = encoded[i] == '%' && i + 2 < encoded.size();
        const int high = escaped ? HexDigitValue(encoded[i + 1]) : -1;
        const int low = escaped ? HexDigitValue(encoded[i + 2]) : -1;
        if (high >= 0 && low >= 0) {
            bytes += static_cast<char>(high * 16 + low);
            i += 2;
        } else {
            bytes += encoded[i] == '+' ? ' ' : encoded[i];
        }
    }
    try {
        return GetThreadUtf8Converter().from_bytes(bytes);
    } catch (const std::range_error&) {
        return {};
    }
}

// The code goes into the token request's form body as it is: a character that could end its
// field there ("&", "=", "+", "%") would let the redirect address add fields of its own.
bool IsPlainCode(const std::wstring& code)
{
    return code.find_first_not_of(L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-._~") ==
           std::wstring::npos;
}

CStdStr<wchar_t> SignInAddress(ILSShutdownInformer* informer, const LSProgressNote& pageOpen)
{
    try {
        LSWebViewProcessCallbackClient webView;
        return webView.RunSignIn(GetAuthorizeUrl(), MakeCancelCheck(informer), kSignInTimeout, pageOpen);
    } catch (const hresult_exception& error) {
        LOG(ERROR) << "Box_20::SignInThroughWebView " << error.what();
        return {};
    }
}

} // namespace

CStdStr<wchar_t> GetAuthCodeFromRedirect(const std::wstring& address, const std::wstring& redirectUri)
{
    const CStdStr<wchar_t> start(address.substr(0, redirectUri.size()));
    if (redirectUri.empty() || !start.Equals(redirectUri, false))
        return {};
    std::wstring query = address.substr(redirectUri.size());
    query = query.substr(0, query.find(L'#'));
    if (!query.empty() && query.front() == L'?')
        query.erase(0, 1);
    for (const CStdStr<wchar_t>& parameter : SplitString(query, L"&")) {
        if (parameter.StartsWith(L"code=")) {
            const CStdStr<wchar_t> code = PercentDecode(parameter.substr(5));
            return IsPlainCode(code) ? code : CStdStr<wchar_t>();
        }
    }
    return {};
}

RefreshTokensType SignInThroughWebView(ILSShutdownInformer* informer, const LSProgressNote& pageOpen)
{
    const OAuthClientConfig config;
    const CStdStr<wchar_t> code = GetAuthCodeFromRedirect(SignInAddress(informer, pageOpen), config.RedirectUri);
    if (code.empty()) {
        LOG(ERROR) << "Box_20::SignInThroughWebView " << kNoCodeText;
        throw hresult_exception(E_FAIL, kNoCodeText);
    }
    return RetrieveAccessToken(true, informer, code);
}

} // namespace Box_20
