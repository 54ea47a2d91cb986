#include "LSStagedFile.h"

#include "HResultException.h"
#include "LSDiag.h"

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

} // namespace

LSStagedFile::LSStagedFile(std::wstring targetPath) : m_targetPath(std::move(targetPath))
{
    if (m_targetPath.empty())
        throw hresult_exception(E_INVALIDARG, "LSStagedFile: empty target path");
    const std::wstring folder = FolderOf(m_targetPath);
    wchar_t temporary[MAX_PATH] = {};
    if (::GetTempFileNameW(folder.c_str(), L"vdl", 0, temporary) == 0)
        ThrowLastError("Cannot create a temporary file in", folder);
    m_temporaryPath = temporary;
    m_file.reset(::CreateFileW(m_temporaryPath.c_str(), GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING,
                               FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!m_file) {
        const DWORD error = ::GetLastError();
        ::DeleteFileW(m_temporaryPath.c_str());
        ::SetLastError(error);
        ThrowLastError("Cannot open temporary file", m_temporaryPath);
    }
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
    if (!::FlushFileBuffers(m_file.get()))
        ThrowLastError("Cannot flush temporary file", m_temporaryPath);
    m_file.reset();
    if (!::MoveFileExW(m_temporaryPath.c_str(), m_targetPath.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        ThrowLastError("Cannot move the download into place at", m_targetPath);
    m_committed = true;
}
