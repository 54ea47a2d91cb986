// Writes settings straight into the registry sources the settings store reads, and removes them when it
// goes. Tests name their values after their suite so parallel programs never meet.
#pragma once

#include <windows.h>

#include <cwchar>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

enum class SettingsSource { UserPolicy, MachinePolicy, User, Machine };

class RegistrySandbox {
public:
    RegistrySandbox() = default;
    RegistrySandbox(const RegistrySandbox&) = delete;
    RegistrySandbox& operator=(const RegistrySandbox&) = delete;
    ~RegistrySandbox()
    {
        for (const auto& [source, name] : m_written)
            Remove(source, name);
    }

    static constexpr SettingsSource kAllSources[] = {SettingsSource::UserPolicy, SettingsSource::MachinePolicy,
                                                    SettingsSource::User, SettingsSource::Machine};

    void SetDword(SettingsSource source, const std::wstring& name, DWORD value)
    {
        Write(source, name, REG_DWORD, &value, sizeof(value));
    }

    void SetString(SettingsSource source, const std::wstring& name, const std::wstring& value, DWORD type = REG_SZ)
    {
        Write(source, name, type, value.c_str(), static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    }

    // Values the code under test writes itself are removed as well.
    void Track(SettingsSource source, const std::wstring& name) { m_written.emplace_back(source, name); }

    static void Remove(SettingsSource source, const std::wstring& name)
    {
        ::RegDeleteKeyValueW(Root(source), Path(source), name.c_str());
    }

    // The raw value: its type and its text (REG_SZ, up to 32K characters) as stored.
    static std::optional<std::pair<DWORD, std::wstring>> ReadString(SettingsSource source, const std::wstring& name)
    {
        DWORD type = 0;
        std::wstring text(32768, L'\0');
        DWORD size = static_cast<DWORD>(text.size() * sizeof(wchar_t));
        if (::RegGetValueW(Root(source), Path(source), name.c_str(), RRF_RT_ANY | RRF_NOEXPAND, &type, text.data(),
                           &size) != ERROR_SUCCESS)
            return std::nullopt;
        text.resize(wcsnlen(text.c_str(), size / sizeof(wchar_t)));
        return std::make_pair(type, text);
    }

private:
    static HKEY Root(SettingsSource source)
    {
        return source == SettingsSource::UserPolicy || source == SettingsSource::User ? HKEY_CURRENT_USER
                                                                                      : HKEY_LOCAL_MACHINE;
    }
    static const wchar_t* Path(SettingsSource source)
    {
        return source == SettingsSource::UserPolicy || source == SettingsSource::MachinePolicy
                   ? L"Software\\Policies\\Talvern\\VESK"
                   : L"Software\\Talvern\\VESK";
    }

    void Write(SettingsSource source, const std::wstring& name, DWORD type, const void* data, DWORD size)
    {
        if (::RegSetKeyValueW(Root(source), Path(source), name.c_str(), type, data, size) != ERROR_SUCCESS)
            throw std::runtime_error("test set-up could not write the registry");
        m_written.emplace_back(source, name);
    }

    std::vector<std::pair<SettingsSource, std::wstring>> m_written;
};
