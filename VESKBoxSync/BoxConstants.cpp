#include "BoxConstants.h"

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

void SetServiceAddresses(BoxConstantsType& constants, const std::wstring& mockServiceBase)
{
    const CStdStr<wchar_t> base = ServiceBaseWithoutTrailingSlashes(mockServiceBase);
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
