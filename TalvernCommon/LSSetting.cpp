#include "LSSetting.h"

#include "LSDiag.h"
#include "LSResources.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <cwchar>
#include <cwctype>
#include <optional>
#include <string>
#include <vector>

using TalvernCommon::unique_hkey;
using TalvernCommon::unique_hmodule;

namespace {

constexpr wchar_t kPolicyKey[] = L"Software\\Policies\\Talvern\\VESK";
constexpr wchar_t kUserKey[] = L"Software\\Talvern\\VESK";

struct SettingsSource {
    HKEY root;
    const wchar_t* path;
    const char* name;
};

// In order of precedence: policies over preferences, the user's over the machine's.
const std::array<SettingsSource, 4>& Sources()
{
    static const std::array<SettingsSource, 4> sources{{
        {HKEY_CURRENT_USER, kPolicyKey, "HKCU policy"},
        {HKEY_LOCAL_MACHINE, kPolicyKey, "HKLM policy"},
        {HKEY_CURRENT_USER, kUserKey, "HKCU"},
        {HKEY_LOCAL_MACHINE, kUserKey, "HKLM"},
    }};
    return sources;
}

struct RegistryValue {
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
};

std::optional<RegistryValue> ReadValue(const SettingsSource& source, const CStdStr<wchar_t>& name)
{
    unique_hkey key;
    if (::RegOpenKeyExW(source.root, source.path, 0, KEY_QUERY_VALUE, key.put()) != ERROR_SUCCESS)
        return std::nullopt;
    RegistryValue value;
    DWORD size = 0;
    if (::RegQueryValueExW(key.get(), name.c_str(), nullptr, &value.type, nullptr, &size) != ERROR_SUCCESS)
        return std::nullopt;
    // The value may grow between the two calls; ask again until it fits.
    for (;;) {
        value.data.resize(size);
        const LSTATUS status =
            ::RegQueryValueExW(key.get(), name.c_str(), nullptr, &value.type, value.data.data(), &size);
        if (status == ERROR_SUCCESS) {
            value.data.resize(size);
            return value;
        }
        if (status != ERROR_MORE_DATA)
            return std::nullopt;
    }
}

// The text up to the first terminator; registry strings need not carry one.
CStdStr<wchar_t> StoredText(const RegistryValue& value)
{
    std::wstring text(value.data.size() / sizeof(wchar_t), L'\0');
    if (!text.empty())
        std::memcpy(text.data(), value.data.data(), text.size() * sizeof(wchar_t));
    return CStdStr<wchar_t>(text.c_str());
}

CStdStr<wchar_t> ExpandEnvironment(const CStdStr<wchar_t>& text)
{
    const DWORD needed = ::ExpandEnvironmentStringsW(text.c_str(), nullptr, 0);
    if (needed == 0)
        return text;
    std::vector<wchar_t> expanded(needed);
    if (::ExpandEnvironmentStringsW(text.c_str(), expanded.data(), needed) == 0)
        return text;
    return CStdStr<wchar_t>(expanded.data());
}

// Whole text, decimal or "0x" hexadecimal, within 32 bits.
std::optional<DWORD> ParseDword(const CStdStr<wchar_t>& stored)
{
    CStdStr<wchar_t> text(stored);
    text.Trim();
    if (text.empty() || !std::iswdigit(static_cast<wint_t>(text[0])))
        return std::nullopt;
    const bool hex = text.size() > 2 && text[0] == L'0' && (text[1] == L'x' || text[1] == L'X');
    wchar_t* end = nullptr;
    errno = 0;
    const unsigned long long number = std::wcstoull(text.c_str(), &end, hex ? 16 : 10);
    if (errno != 0 || end == nullptr || *end != L'\0' || number > MAXDWORD)
        return std::nullopt;
    return static_cast<DWORD>(number);
}

std::optional<DWORD> AsDword(const RegistryValue& value)
{
    if (value.type == REG_DWORD && value.data.size() >= sizeof(DWORD)) {
        DWORD number = 0;
        std::memcpy(&number, value.data.data(), sizeof(number));
        return number;
    }
    if (value.type == REG_SZ || value.type == REG_EXPAND_SZ)
        return ParseDword(StoredText(value));
    return std::nullopt;
}

std::optional<CStdStr<wchar_t>> AsString(const RegistryValue& value)
{
    switch (value.type) {
    case REG_SZ:
        return StoredText(value);
    case REG_EXPAND_SZ:
        return ExpandEnvironment(StoredText(value));
    case REG_DWORD:
        if (auto number = AsDword(value))
            return CStdStr<wchar_t>(std::to_wstring(*number));
        return std::nullopt;
    default:
        return std::nullopt;
    }
}

template <typename T>
struct Found {
    T value;
    const char* sourceName;
};

template <typename T, typename Decode>
std::optional<Found<T>> FindFirst(const CStdStr<wchar_t>& name, Decode decode)
{
    for (const SettingsSource& source : Sources()) {
        if (auto stored = ReadValue(source, name)) {
            if (std::optional<T> value = decode(*stored))
                return Found<T>{std::move(*value), source.name};
        }
    }
    return std::nullopt;
}

} // namespace

LSSetting& LSSetting::GetInstance()
{
    static LSSetting instance;
    return instance;
}

DWORD LSSetting::GetUserDword(const CStdStr<wchar_t>& name, DWORD defaultValue) const
{
    std::lock_guard<std::mutex> hold(m_lock);
    const auto found = FindFirst<DWORD>(name, AsDword);
    return found ? found->value : defaultValue;
}

DWORD LSSetting::GetUserDwordConfigDetails(const CStdStr<wchar_t>& name, DWORD defaultValue) const
{
    std::lock_guard<std::mutex> hold(m_lock);
    const auto found = FindFirst<DWORD>(name, AsDword);
    const DWORD value = found ? found->value : defaultValue;
    VLOG(1) << "Setting " << LSDiag::LogText(name) << " = " << value << " ("
            << (found ? found->sourceName : "default") << ")";
    return value;
}

CStdStr<wchar_t> LSSetting::GetUserString(const CStdStr<wchar_t>& name, const CStdStr<wchar_t>& defaultValue) const
{
    std::lock_guard<std::mutex> hold(m_lock);
    auto found = FindFirst<CStdStr<wchar_t>>(name, AsString);
    return found ? std::move(found->value) : defaultValue;
}

void LSSetting::SaveUserString(const CStdStr<wchar_t>& name, const CStdStr<wchar_t>& value)
{
    std::lock_guard<std::mutex> hold(m_lock);
    unique_hkey key;
    LSTATUS status = ::RegCreateKeyExW(HKEY_CURRENT_USER, kUserKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                                       key.put(), nullptr);
    if (status == ERROR_SUCCESS) {
        const DWORD bytes = static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t));
        status = ::RegSetValueExW(key.get(), name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                                  bytes);
    }
    LOG_IF(ERROR, status != ERROR_SUCCESS) << "LSSetting::SaveUserString: Failed saving setting "
                                           << LSDiag::LogText(name) << " : " << status;
}

unique_hmodule LSSetting::LoadLanguageDll(const CStdStr<wchar_t>& moduleName)
{
    const CStdStr<wchar_t> fileName = moduleName + L"ENU.dll";
    unique_hmodule module = LoadResourceModule(fileName, CStdStr<wchar_t>());
    // DllMain loads it before diagnostics are set up, when glog would write to the console.
    LOG_IF(ERROR, !module && google::IsGoogleLoggingInitialized())
        << "Failed loading language dll " << LSDiag::LogText(fileName);
    return module;
}
