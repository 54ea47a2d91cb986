#include "BoxConstants.h"

#include "LSDiag.h"
#include "LSSetting.h"

namespace Box_20 {

namespace {

CStdStr<wchar_t> ServiceBaseWithoutTrailingSlashes(const std::wstring& setting)
{
    CStdStr<wchar_t> base(setting);
    base.Trim();
    while (!base.empty() && base.back() == L'/')
        base.pop_back();
    return base;
}

// The stand-in runs on this machine. Any other host would receive the user's tokens and the
// client secret, so only a loopback address is taken ("http://127.0.0.1:8123", "http://[::1]:8123",
// "http://localhost:8123"); user information before the host is refused.
bool IsLoopbackBase(const CStdStr<wchar_t>& base)
{
    const size_t schemeEnd = base.find(L"://");
    if (schemeEnd == std::wstring::npos)
        return false;
    const CStdStr<wchar_t> scheme(base.substr(0, schemeEnd));
    if (!scheme.Equals(L"http", false) && !scheme.Equals(L"https", false))
        return false;
    const size_t authorityStart = schemeEnd + 3;
    const std::wstring authority = base.substr(authorityStart, base.find_first_of(L"/?#", authorityStart) - authorityStart);
    const bool bracketed = !authority.empty() && authority.front() == L'[';
    const size_t hostEnd = bracketed ? authority.find(L']') + 1 : authority.find(L':');
    const CStdStr<wchar_t> host(authority.substr(0, hostEnd));
    const std::wstring port = hostEnd < authority.size() ? authority.substr(hostEnd) : std::wstring();
    const bool portOk = port.empty() || (port.size() > 1 && port.front() == L':' &&
                                         port.find_first_not_of(L"0123456789", 1) == std::wstring::npos);
    return portOk && (host == L"127.0.0.1" || host == L"[::1]" || host.Equals(L"localhost", false));
}

void SetServiceAddresses(BoxConstantsType& constants, const std::wstring& mockServiceBase)
{
    CStdStr<wchar_t> base = ServiceBaseWithoutTrailingSlashes(mockServiceBase);
    if (!base.empty() && !IsLoopbackBase(base)) {
        LOG(ERROR) << "Box_20::BoxConstants: " << LSDiag::LogText(kMockBoxServiceSetting)
                   << " ignored, it is no loopback address: " << LSDiag::LogText(base);
        base.clear();
    }
    if (base.empty()) {
        constants.ApiBaseUrl = L"https://api.box.com";
        constants.UploadBaseUrl = L"https://upload.box.com/api";
        constants.TokenEndpointUrl = L"https://api.box.com/oauth2/token";
        constants.AccountHostUrl = L"https://account.box.com";
        return;
    }
    constants.ApiBaseUrl = base;
    constants.UploadBaseUrl = base + L"/api";
    constants.TokenEndpointUrl = base + L"/oauth2/token";
    constants.AccountHostUrl = base;
}

} // namespace

BoxConstantsType MakeBoxConstants(const std::wstring& mockServiceBase)
{
    BoxConstantsType constants;
    constants.VerbGet = L"GET";
    constants.VerbPut = L"PUT";
    constants.VerbPost = L"POST";
    constants.VerbDelete = L"DELETE";
    constants.VerbOptions = L"OPTIONS";
    SetServiceAddresses(constants, mockServiceBase);
    constants.RedirectUri = L"https://www.talvern.com/authredirect.htm?";
    constants.ClientId = L"yd714mk2me7t1wbnh4t738lfuhv3dgnp";
    constants.ClientSecret = L"r1cmIdgyIW0GVhglG7s3GmyrPUYdwint";
    constants.WebFilePath = L"/file/";
    constants.WebFolderPath = L"/folder/";
    constants.InvalidSearchQuery = L"_INVALID_SEARCH_QUERY_";
    return constants;
}

const BoxConstantsType& BoxConstants()
{
    static const BoxConstantsType constants =
        MakeBoxConstants(LSSetting::GetInstance().GetUserString(kMockBoxServiceSetting, L""));
    return constants;
}

} // namespace Box_20
