#include "LSStagedFile.h"

#include "HResultException.h"
#include "LSDiag.h"

#include <atomic>
#include <cwchar>
#include <iterator>

namespace {

[[noreturn]] void ThrowLastError(const std::string& what, const std::wstring& path)
{
    const DWORD error = ::GetLastError();
    throw hresult_exception(HRESULT_FROM_WIN32(error != ERROR_SUCCESS ? error : ERROR_WRITE_FAULT),
                            what + " " + LSDiag::LogText(path));
}

std::wstring FolderOf(const std::wstring& path)
{
    const size_t separator = path.find_last_of(L"\\/");
    if (separator == std::wstring::npos)
        return L".";
    // "C:\name" keeps its root backslash.
    return path.substr(0, separator == 2 && path[1] == L':' ? separator + 1 : separator);
}

// Names already taken (a download of another process, one left by a crash) are passed over.
constexpr int kMaxNameAttempts = 100;

std::wstring NextTemporaryName()
{
    static std::atomic<unsigned long> counter{::GetTickCount()};
    wchar_t name[32] = {};
    std::swprintf(name, std::size(name), L"vdl%lx-%lx.tmp", ::GetCurrentProcessId(), counter++);
    return name;
}

void FlushToDisk(const std::wstring& path)
{
    const TalvernCommon::unique_hfile file(
        ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file || !::FlushFileBuffers(file.get()))
        ThrowLastError("Cannot flush temporary file", path);
}

} // namespace

LSStagedFile::LSStagedFile(std::wstring targetPath) : m_targetPath(std::move(targetPath))
{
    if (m_targetPath.empty())
        throw hresult_exception(E_INVALIDARG, "LSStagedFile: empty target path");
    std::wstring folder = FolderOf(m_targetPath);
    if (folder.empty() || (folder.back() != L'\\' && folder.back() != L'/'))
        folder += L'\\';
    // A name of this process's own, created in one step: a temporary-name service would create
    // the file and have it opened a second time, and each costs a folder lookup.
    for (int attempt = 0; attempt < kMaxNameAttempts; ++attempt) {
        m_temporaryPath = folder + NextTemporaryName();
        m_file.reset(::CreateFileW(m_temporaryPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                   FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
        if (m_file)
            return;
        if (::GetLastError() != ERROR_FILE_EXISTS && ::GetLastError() != ERROR_ALREADY_EXISTS)
            break;
    }
    ThrowLastError("Cannot create a temporary file in", folder);
}

LSStagedFile::~LSStagedFile()
{
    if (m_committed)
        return;
    m_file.reset();
    ::DeleteFileW(m_temporaryPath.c_str());
}

void LSStagedFile::Write(const void* data, DWORD size)
{
    DWORD written = 0;
    if (!::WriteFile(m_file.get(), data, size, &written, nullptr) || written != size)
        ThrowLastError("Cannot write temporary file", m_temporaryPath);
    m_bytesWritten += written;
}

void LSStagedFile::Commit()
{
    m_file.reset();
    // A file that takes a free name risks nothing of the user's. One that replaces a file reaches
    // the disk first: a crash must not leave the old content replaced by blocks never written.
    if (!::MoveFileExW(m_temporaryPath.c_str(), m_targetPath.c_str(), MOVEFILE_WRITE_THROUGH)) {
        const DWORD error = ::GetLastError();
        if (error != ERROR_ALREADY_EXISTS && error != ERROR_FILE_EXISTS)
            ThrowLastError("Cannot move the download into place at", m_targetPath);
        FlushToDisk(m_temporaryPath);
        if (!::MoveFileExW(m_temporaryPath.c_str(), m_targetPath.c_str(),
                           MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            ThrowLastError("Cannot move the download into place at", m_targetPath);
    }
    m_committed = true;
}
