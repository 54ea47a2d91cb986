#include "LSFileSystem.h"

#include "HResultException.h"
#include "UniqueResource.h"
#include "Utf8Converter.h"

#include <algorithm>
#include <new>

namespace {

std::string FileError(const char* what, const std::wstring& path)
{
    return std::string("ReadBinaryFile: ") + what + ": " + WideToUtf8Lossy(path);
}

} // namespace

namespace LSFileSystem {

std::vector<BYTE> ReadBinaryFile(const std::wstring& path)
{
    constexpr DWORD kShareWithEveryone = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    const TalvernCommon::unique_hfile file(::CreateFileW(path.c_str(), GENERIC_READ, kShareWithEveryone, nullptr,
                                                         OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file)
        throw hresult_exception(HRESULT_FROM_WIN32(::GetLastError()), FileError("cannot open", path));
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(file.get(), &size))
        throw hresult_exception(HRESULT_FROM_WIN32(::GetLastError()), FileError("cannot get the size of", path));

    std::vector<BYTE> content;
    // A 32-bit process cannot hold such a file at all; say so rather than wrap the size around.
    if (static_cast<unsigned long long>(size.QuadPart) > content.max_size())
        throw hresult_exception(HRESULT_FROM_WIN32(ERROR_FILE_TOO_LARGE), FileError("too large to read into memory", path));
    try {
        content.resize(static_cast<size_t>(size.QuadPart));
    } catch (const std::bad_alloc&) {
        throw hresult_exception(E_OUTOFMEMORY, FileError("not enough memory to read", path));
    }

    constexpr size_t blockSize = 1 << 20;
    size_t total = 0;
    while (total < content.size()) {
        const DWORD wanted = static_cast<DWORD>(std::min(blockSize, content.size() - total));
        DWORD read = 0;
        if (!::ReadFile(file.get(), content.data() + total, wanted, &read, nullptr))
            throw hresult_exception(HRESULT_FROM_WIN32(::GetLastError()), FileError("cannot read", path));
        if (read == 0)
            break; // the file shrank while we read it
        total += read;
    }
    content.resize(total);
    return content;
}

CStdStr<wchar_t> GetContentTypeForExtension(const std::wstring& extension)
{
    // An empty name would open HKEY_CLASSES_ROOT itself.
    if (extension.empty())
        return {};
    TalvernCommon::unique_hkey key;
    if (::RegOpenKeyExW(HKEY_CLASSES_ROOT, extension.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS)
        return {};
    DWORD bytes = 0;
    LSTATUS status = ::RegGetValueW(key.get(), nullptr, L"Content Type", RRF_RT_REG_SZ, nullptr, nullptr, &bytes);
    std::wstring contentType;
    while (status == ERROR_SUCCESS || status == ERROR_MORE_DATA) {
        contentType.assign(bytes / sizeof(wchar_t) + 1, L'\0');
        bytes = static_cast<DWORD>(contentType.size() * sizeof(wchar_t));
        status = ::RegGetValueW(key.get(), nullptr, L"Content Type", RRF_RT_REG_SZ, nullptr, contentType.data(), &bytes);
        if (status == ERROR_SUCCESS) {
            contentType.resize(wcsnlen(contentType.c_str(), contentType.size()));
            return CStdStr<wchar_t>(contentType);
        }
    }
    return {};
}

} // namespace LSFileSystem
