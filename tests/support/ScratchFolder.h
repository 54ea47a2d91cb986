// A folder of its own under the temporary folder, removed with the files copied into it.
#pragma once

#include <windows.h>

#include <stdexcept>
#include <string>
#include <vector>

class ScratchFolder {
public:
    explicit ScratchFolder(const std::wstring& name)
    {
        wchar_t temp[MAX_PATH] = {};
        ::GetTempPathW(MAX_PATH, temp);
        m_path = std::wstring(temp) + name + L"-" + std::to_wstring(::GetCurrentProcessId());
        ::CreateDirectoryW(m_path.c_str(), nullptr);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    ~ScratchFolder()
    {
        for (const std::wstring& file : m_files) {
            if (!::DeleteFileW(file.c_str()))
                ::RemoveDirectoryW(file.c_str());
        }
        ::RemoveDirectoryW(m_path.c_str());
    }
    const std::wstring& Path() const { return m_path; }
    // A path in the folder whose file (or empty folder), once created, is removed with the folder.
    std::wstring File(const std::wstring& name)
    {
        m_files.push_back(m_path + L"\\" + name);
        return m_files.back();
    }
    std::wstring Copy(const std::wstring& source, const std::wstring& name)
    {
        const std::wstring target = File(name);
        if (!::CopyFileW(source.c_str(), target.c_str(), FALSE))
            throw std::runtime_error("test set-up could not copy a file");
        return target;
    }

private:
    std::wstring m_path;
    std::vector<std::wstring> m_files;
};
