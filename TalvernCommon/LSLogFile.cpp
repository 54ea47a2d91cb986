#include "LSLogFile.h"

#include "StringUtils.h"

#include <shlobj.h>

#include <cwctype>
#include <string>

using TalvernCommon::unique_hfile;
using TalvernCommon::unique_hfind;

namespace {

constexpr ULONGLONG kFileTimeTicksPerMinute = 60ULL * 10'000'000ULL;

ULONGLONG Ticks(const FILETIME& time)
{
    return (static_cast<ULONGLONG>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

bool IsDigits(std::wstring_view text)
{
    if (text.empty())
        return false;
    for (wchar_t c : text) {
        if (c < L'0' || c > L'9')
            return false;
    }
    return true;
}

bool CreateFolder(const CStdStr<wchar_t>& folder)
{
    const int result = ::SHCreateDirectoryExW(nullptr, folder.c_str(), nullptr);
    return result == ERROR_SUCCESS || result == ERROR_ALREADY_EXISTS || result == ERROR_FILE_EXISTS;
}

} // namespace

std::unique_ptr<LSLogFile> LSLogFile::Create(const CStdStr<wchar_t>& folder,
                                             const CStdStr<wchar_t>& applicationName, bool writeErrors)
{
    if (!CreateFolder(folder))
        return nullptr;
    SYSTEMTIME now{};
    ::GetLocalTime(&now);
    const CStdStr<wchar_t> path = folder + L"\\" + MakeLogFileName(applicationName, now, ::GetCurrentProcessId());
    // Shared so that the log can be read, copied or removed while the process runs.
    unique_hfile file{::CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr)};
    if (!file)
        return nullptr;
    return std::make_unique<LSLogFile>(std::move(file), writeErrors);
}

LSLogFile::LSLogFile(unique_hfile file, bool writeErrors) : m_file(std::move(file)), m_writeErrors(writeErrors) {}

LSLogFile::~LSLogFile() { google::RemoveLogSink(this); }

void LSLogFile::send(google::LogSeverity severity, const char* /*fullFilename*/, const char* baseFilename, int line,
                     const google::LogMessageTime& time, const char* message, size_t messageLength)
{
    if (severity >= google::GLOG_ERROR && !m_writeErrors)
        return;
    WriteLine(ToString(severity, baseFilename, line, time, message, messageLength));
}

void LSLogFile::WriteLine(std::string_view text)
{
    std::string line(text);
    line += "\r\n";
    // glog calls sinks from many threads at once.
    std::lock_guard<std::mutex> hold(m_lock);
    DWORD written = 0;
    ::WriteFile(m_file.get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}

CStdStr<wchar_t> MakeLogFileName(const CStdStr<wchar_t>& applicationName, const SYSTEMTIME& localTime,
                                 DWORD processId)
{
    return FormatWide(L"%s-%04u%02u%02u-%02u%02u%02u-%u.log", applicationName, localTime.wYear, localTime.wMonth,
                      localTime.wDay, localTime.wHour, localTime.wMinute, localTime.wSecond, processId);
}

bool IsLogFileName(const CStdStr<wchar_t>& fileName, const CStdStr<wchar_t>& applicationName)
{
    // <application>-YYYYMMDD-HHMMSS-<pid>.log
    const CStdStr<wchar_t> prefix = applicationName + L"-";
    const std::wstring_view extension = L".log";
    if (fileName.size() < prefix.size() + 8 + 1 + 6 + 1 + 1 + extension.size())
        return false;
    if (!CStdStr<wchar_t>(fileName.substr(0, prefix.size())).Equals(prefix, false))
        return false;
    const std::wstring_view rest = std::wstring_view(fileName).substr(prefix.size());
    if (!CStdStr<wchar_t>(rest.substr(rest.size() - extension.size())).Equals(extension, false))
        return false;
    const std::wstring_view stamp = rest.substr(0, rest.size() - extension.size());
    return IsDigits(stamp.substr(0, 8)) && stamp[8] == L'-' && IsDigits(stamp.substr(9, 6)) && stamp[15] == L'-' &&
           IsDigits(stamp.substr(16));
}

void PruneLogFiles(const CStdStr<wchar_t>& folder, const CStdStr<wchar_t>& applicationName, DWORD maxAgeMinutes)
{
    FILETIME now{};
    ::GetSystemTimeAsFileTime(&now);
    const ULONGLONG maxAge = maxAgeMinutes * kFileTimeTicksPerMinute;
    if (maxAge > Ticks(now))
        return;
    const ULONGLONG cutoff = Ticks(now) - maxAge;

    const CStdStr<wchar_t> pattern = folder + L"\\" + applicationName + L"-*.log";
    WIN32_FIND_DATAW found{};
    unique_hfind search{::FindFirstFileW(pattern.c_str(), &found)};
    if (!search)
        return;
    do {
        const bool isFile = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
        if (isFile && IsLogFileName(found.cFileName, applicationName) && Ticks(found.ftLastWriteTime) < cutoff)
            ::DeleteFileW((folder + L"\\" + found.cFileName).c_str());
    } while (::FindNextFileW(search.get(), &found));
}
