// A new empty folder under the temporary folder, removed with all it holds, and whole-file reads and writes.
#pragma once

#include "UniqueResource.h"

#include <windows.h>

#include <atomic>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

// Reads beside a writer that still holds the file (a log, a download under way).
inline std::string ReadFileBytes(const std::wstring& path)
{
    const TalvernCommon::unique_hfile file(::CreateFileW(path.c_str(), GENERIC_READ,
                                                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                                         nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file)
        throw std::runtime_error("test could not open a file to read");
    std::string bytes;
    char buffer[65536];
    DWORD read = 0;
    while (::ReadFile(file.get(), buffer, sizeof(buffer), &read, nullptr) && read > 0)
        bytes.append(buffer, read);
    return bytes;
}

class ScratchFolder {
public:
    explicit ScratchFolder(const std::wstring& name = L"vesk-test")
    {
        static std::atomic<int> counter{0};
        wchar_t temp[MAX_PATH] = {};
        ::GetTempPathW(MAX_PATH, temp);
        // Wine reuses process ids, and a folder a run could not remove stays: a taken name is passed over.
        do {
            m_path = temp + name + L"-" + std::to_wstring(::GetCurrentProcessId()) + L"-" + std::to_wstring(++counter);
            if (::CreateDirectoryW(m_path.c_str(), nullptr))
                return;
        } while (::GetLastError() == ERROR_ALREADY_EXISTS);
        throw std::runtime_error("test set-up could not create a scratch folder");
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    ~ScratchFolder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }

    const std::wstring& Path() const { return m_path; }
    std::wstring File(const std::wstring& name) const { return m_path + L"\\" + name; }
    // What it holds, files and folders.
    std::vector<std::wstring> FileNames() const
    {
        std::vector<std::wstring> names;
        std::error_code error;
        for (const auto& entry : std::filesystem::directory_iterator(m_path, error))
            names.push_back(entry.path().filename().wstring());
        return names;
    }
    std::wstring Copy(const std::wstring& source, const std::wstring& name) const
    {
        if (!::CopyFileW(source.c_str(), File(name).c_str(), FALSE))
            throw std::runtime_error("test set-up could not copy a file");
        return File(name);
    }
    std::wstring Write(const std::wstring& name, const std::string& bytes) const
    {
        const TalvernCommon::unique_hfile file(::CreateFileW(File(name).c_str(), GENERIC_WRITE, 0, nullptr,
                                                             CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        DWORD written = 0;
        if (!file || !::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr))
            throw std::runtime_error("test set-up could not write a file");
        return File(name);
    }

private:
    std::wstring m_path;
};
