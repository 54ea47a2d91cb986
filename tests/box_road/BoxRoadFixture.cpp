#include "BoxRoadFixture.h"

#include "BoxServiceTable.h"
#include "BoxTokenCache.h"
#include "BoxUrlBuilders.h"
#include "LSResources.h"
#include "LSSetting.h"
#include "StringUtils.h"
#include "UniqueResource.h"

#include <objbase.h>

#include <memory>
#include <stdexcept>
#include <thread>
#include <vector>

namespace BoxRoad {
namespace {

constexpr wchar_t kUserSettingsKey[] = L"Software\\Talvern\\VESK";
constexpr wchar_t kMockBoxService[] = L"Mock.BoxService";

TalvernCommon::unique_hkey OpenUserSettings()
{
    TalvernCommon::unique_hkey key;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, kUserSettingsKey, 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr, key.put(),
                        nullptr) != ERROR_SUCCESS)
        throw std::runtime_error("cannot open the user's settings key");
    return key;
}

std::string Base64Decode(const std::string& text)
{
    static const std::string digits = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string bytes;
    unsigned buffer = 0;
    int bits = 0;
    for (const char c : text) {
        const size_t value = digits.find(c);
        if (value == std::string::npos)
            continue;
        buffer = (buffer << 6) | static_cast<unsigned>(value);
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            bytes += static_cast<char>((buffer >> bits) & 0xFF);
        }
    }
    return bytes;
}

} // namespace

std::optional<std::wstring> ReadUserSetting(const std::wstring& name)
{
    const TalvernCommon::unique_hkey key = OpenUserSettings();
    DWORD size = 0;
    if (RegGetValueW(key.get(), nullptr, name.c_str(), RRF_RT_REG_SZ, nullptr, nullptr, &size) != ERROR_SUCCESS)
        return std::nullopt;
    std::vector<wchar_t> text(size / sizeof(wchar_t) + 1);
    if (RegGetValueW(key.get(), nullptr, name.c_str(), RRF_RT_REG_SZ, nullptr, text.data(), &size) != ERROR_SUCCESS)
        return std::nullopt;
    return std::wstring(text.data());
}

void WriteUserSetting(const std::wstring& name, const std::wstring& value)
{
    const TalvernCommon::unique_hkey key = OpenUserSettings();
    RegSetValueExW(key.get(), name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

void DeleteUserSetting(const std::wstring& name)
{
    const TalvernCommon::unique_hkey key = OpenUserSettings();
    RegDeleteValueW(key.get(), name.c_str());
}

Json::Value ParseJson(const std::string& text)
{
    Json::Value value;
    std::string errors;
    const std::unique_ptr<Json::CharReader> reader(Json::CharReaderBuilder().newCharReader());
    if (!reader->parse(text.data(), text.data() + text.size(), &value, &errors))
        throw std::runtime_error("test JSON does not parse: " + errors);
    return value;
}

bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

std::thread StartStaThread(std::function<void()> body)
{
    return std::thread([body = std::move(body)] {
        const bool initialized = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
        body();
        if (initialized)
            CoUninitialize();
    });
}

void BoxRoadTest::SetUpTestSuite()
{
    // The host's language and common strings, as DllMain loads them for the product.
    LSResourceModules& modules = GetResourceModules();
    if (!modules.language)
        modules.language = LSSetting::LoadLanguageDll(L"VESKBoxSync32");
    if (!modules.common)
        modules.common = LoadUsersCommonResources(L"");
}

void BoxRoadTest::SetUp()
{
    standIn_.Reset();
    WriteUserSetting(kMockBoxService, standIn_.BaseUrlWide());
    const Json::Value tokens = StandInTokens();
    Box_20::SetCachedTokens({AnsiToWide(tokens["access_token"].asString()),
                             AnsiToWide(tokens["refresh_token"].asString())});
}

void BoxRoadTest::TearDown()
{
    for (const Json::Value& entry : Journal())
        EXPECT_EQ("ok", entry["api"]["status"].asString())
            << entry["request_line"].asString() << " is not an operation of Box's API";
    Box_20::SetCachedTokens({});
    DeleteUserSetting(Box_20::kAccessTokenSetting);
    DeleteUserSetting(Box_20::kRefreshTokenSetting);
    DeleteUserSetting(kMockBoxService);
}

void BoxRoadTest::AddFault(const std::string& ruleJson) const { standIn_.Post("faults", ParseJson(ruleJson)); }

void BoxRoadTest::ExpireAccessToken() const
{
    Json::Value expire(Json::objectValue);
    expire["access_expired"] = true;
    standIn_.Post("tokens", expire);
}

Json::Value BoxRoadTest::StandInTokens() const { return standIn_.Get("tokens"); }

Json::Value BoxRoadTest::Journal(const std::string& route) const
{
    const Json::Value entries = standIn_.Journal()["entries"];
    if (route.empty())
        return entries;
    Json::Value matching(Json::arrayValue);
    for (const Json::Value& entry : entries) {
        if (entry["route"].asString() == route)
            matching.append(entry);
    }
    return matching;
}

std::string BoxRoadTest::Header(const Json::Value& entry, const std::string& name)
{
    for (const Json::Value& header : entry["headers"]) {
        if (_stricmp(header[0].asCString(), name.c_str()) == 0)
            return header[1].asString();
    }
    return {};
}

std::string BoxRoadTest::Body(const Json::Value& entry) { return Base64Decode(entry["body_base64"].asString()); }

CStdStr<wchar_t> BoxRoadTest::UserInfoUrl() { return Box_20::GetServiceUrl(Box_20::ServiceUserInfo); }

} // namespace BoxRoad
