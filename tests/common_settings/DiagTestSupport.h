// Logging is set up once per process, so each diagnostics program prepares its log folder and
// settings before the first test, initialises, and removes the settings again at once (other
// programs read the same "VESK.Log." values).
#pragma once

#include "LSDiag.h"
#include "RegistrySandbox.h"
#include "ScratchFolder.h"
#include "UniqueResource.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace DiagTest {

inline const wchar_t kApplication[] = L"VESK-BoxSync";
inline const wchar_t kBuildVersion[] = L"24.04.0 (17891) test";

// Created before logging is set up, so it is destroyed after the process's log file closes at
// exit; only then can the folder go.
inline ScratchFolder& LogFolder()
{
    static ScratchFolder folder(L"common_diag");
    return folder;
}

inline void SetAgeInMinutes(const std::wstring& path, int minutes)
{
    FILETIME now{};
    ::GetSystemTimeAsFileTime(&now);
    const ULONGLONG then = ((ULONGLONG(now.dwHighDateTime) << 32) | now.dwLowDateTime) - minutes * 600'000'000ULL;
    const FILETIME time{static_cast<DWORD>(then), static_cast<DWORD>(then >> 32)};
    const TalvernCommon::unique_hfile file{::CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES,
                                                         FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                                         FILE_FLAG_BACKUP_SEMANTICS, nullptr)};
    if (!file || !::SetFileTime(file.get(), nullptr, nullptr, &time))
        throw std::runtime_error("test set-up could not age a file");
}

// A file in the log folder last written minutes ago.
inline std::wstring OldFile(const std::wstring& name, int minutes)
{
    const std::wstring path = LogFolder().Write(name, "");
    SetAgeInMinutes(path, minutes);
    return path;
}

inline bool Exists(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

inline void InitializeWith(const std::vector<std::pair<std::wstring, DWORD>>& dwords,
                           const std::vector<std::pair<std::wstring, std::wstring>>& strings)
{
    RegistrySandbox registry;
    registry.SetString(SettingsSource::User, L"VESK.LogDir", LogFolder().Path());
    for (const auto& [name, value] : dwords)
        registry.SetDword(SettingsSource::User, name, value);
    for (const auto& [name, value] : strings)
        registry.SetString(SettingsSource::User, name, value);
    LSDiag::Initialize(kApplication, kBuildVersion);
}

// The names of the files in the log folder written by this process's logging.
inline std::vector<std::wstring> OwnLogFiles()
{
    const std::wstring suffix = L"-" + std::to_wstring(::GetCurrentProcessId()) + L".log";
    std::vector<std::wstring> names;
    for (const std::wstring& name : LogFolder().FileNames()) {
        if (name.size() > suffix.size() && name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0)
            names.push_back(name);
    }
    return names;
}

// The whole log so far, read beside the writer.
inline std::string ReadOwnLog()
{
    const std::vector<std::wstring> names = OwnLogFiles();
    return names.size() == 1 ? ReadFileBytes(LogFolder().File(names.front())) : std::string();
}

inline bool LogHas(const std::string& text) { return ReadOwnLog().find(text) != std::string::npos; }

} // namespace DiagTest
