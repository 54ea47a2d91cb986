#include "BoxBenchSession.h"

#include "BoxConstants.h"
#include "BoxTokenCache.h"

#include <windows.h>
#include <objbase.h>

#include <stdexcept>

namespace Bench {

namespace {

constexpr wchar_t kUserSettingsKey[] = L"Software\\Talvern\\VESK";
constexpr wchar_t kEmailTemplateSetting[] = L"BoxSync.EmailMetaDataTemplateName";

} // namespace

BoxBenchSession::BoxBenchSession(const std::wstring& baseUrl, const std::wstring& accessToken,
                                 const std::wstring& refreshToken)
    : m_settings(baseUrl)
{
    Box_20::SetCachedTokens({accessToken, refreshToken});
}

BoxBenchSession::ComApartment::ComApartment()
{
    if (FAILED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)))
        throw std::runtime_error("COM does not start");
}

BoxBenchSession::ComApartment::~ComApartment()
{
    ::CoUninitialize();
}

BoxBenchSession::StandInSettings::StandInSettings(const std::wstring& baseUrl)
{
    if (::RegCreateKeyExW(HKEY_CURRENT_USER, kUserSettingsKey, 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr,
                          m_key.put(), nullptr) != ERROR_SUCCESS)
        throw std::runtime_error("cannot open the user's settings key");
    ::RegSetValueExW(m_key.get(), Box_20::kMockBoxServiceSetting, 0, REG_SZ,
                     reinterpret_cast<const BYTE*>(baseUrl.c_str()),
                     static_cast<DWORD>((baseUrl.size() + 1) * sizeof(wchar_t)));
}

BoxBenchSession::StandInSettings::~StandInSettings()
{
    for (const wchar_t* name :
         {Box_20::kMockBoxServiceSetting, Box_20::kAccessTokenSetting, Box_20::kRefreshTokenSetting})
        ::RegDeleteValueW(m_key.get(), name);
}

EmailTemplateSetting::EmailTemplateSetting()
{
    const std::wstring name = L"mailProps";
    if (::RegCreateKeyExW(HKEY_CURRENT_USER, kUserSettingsKey, 0, nullptr, 0, KEY_WRITE, nullptr, m_key.put(),
                          nullptr) != ERROR_SUCCESS)
        throw std::runtime_error("cannot open the user's settings key");
    ::RegSetValueExW(m_key.get(), kEmailTemplateSetting, 0, REG_SZ, reinterpret_cast<const BYTE*>(name.c_str()),
                     static_cast<DWORD>((name.size() + 1) * sizeof(wchar_t)));
}

EmailTemplateSetting::~EmailTemplateSetting()
{
    ::RegDeleteValueW(m_key.get(), kEmailTemplateSetting);
}

} // namespace Bench
