#include "BoxLocalUploadFile.h"

#include "BoxExceptions.h"
#include "BoxOperationFailures.h"
#include "LSDiag.h"

#include <algorithm>
#include <limits>
#include <vector>

namespace Box_20 {

namespace {

TalvernCommon::unique_hfile OpenForUpload(const CStdStr<wchar_t>& path)
{
    // The host or Outlook may hold the file open for writing; a change while it is read shows up
    // as a short read, which fails the upload.
    return TalvernCommon::unique_hfile{::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                                     nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr)};
}

// Large ranges are read 1 MiB at a time; a smaller one in a block of its own size.
constexpr size_t kReadBlockSize = 1024 * 1024;

std::wstring ErrorCode(DWORD code) { return L" (error " + std::to_wstring(code) + L")"; }

} // namespace

LocalUploadFile::LocalUploadFile(const CStdStr<wchar_t>& path, uint64_t size, std::wstring place)
    : m_path(path), m_size(size), m_place(std::move(place)), m_file(OpenForUpload(path))
{
    if (!m_file)
        Fail(L"cannot open the local file " + m_path + ErrorCode(::GetLastError()));
    LARGE_INTEGER actual{};
    if (!::GetFileSizeEx(m_file.get(), &actual))
        Fail(L"cannot read the size of the local file " + m_path + ErrorCode(::GetLastError()));
    if (static_cast<uint64_t>(actual.QuadPart) != m_size)
        Fail(L"the local file " + m_path + L" holds " + std::to_wstring(actual.QuadPart) + L" bytes, not the " +
             std::to_wstring(m_size) + L" to upload");
}

void LocalUploadFile::ReadAt(uint64_t offset, BYTE* bytes, size_t count)
{
    LARGE_INTEGER position{};
    position.QuadPart = static_cast<LONGLONG>(offset);
    if (!::SetFilePointerEx(m_file.get(), position, nullptr, FILE_BEGIN))
        Fail(L"cannot seek to offset " + std::to_wstring(offset) + L" of the local file " + m_path +
             ErrorCode(::GetLastError()));
    size_t done = 0;
    while (done < count) {
        const DWORD wanted = static_cast<DWORD>(std::min<size_t>(count - done, std::numeric_limits<DWORD>::max()));
        DWORD read = 0;
        if (!::ReadFile(m_file.get(), bytes + done, wanted, &read, nullptr))
            Fail(L"cannot read the local file " + m_path + ErrorCode(::GetLastError()));
        if (read == 0)
            Fail(L"read only " + std::to_wstring(done) + L" of " + std::to_wstring(count) + L" bytes at offset " +
                 std::to_wstring(offset) + L" of the local file " + m_path);
        done += read;
    }
}

void LocalUploadFile::ReadInBlocks(uint64_t offset, uint64_t size,
                                   const std::function<void(const BYTE*, size_t)>& use)
{
    std::vector<BYTE> block(static_cast<size_t>(std::min<uint64_t>(kReadBlockSize, size)));
    for (uint64_t done = 0; done < size;) {
        const size_t count = static_cast<size_t>(std::min<uint64_t>(block.size(), size - done));
        ReadAt(offset + done, block.data(), count);
        use(block.data(), count);
        done += count;
    }
}

void LocalUploadFile::Fail(const std::wstring& condition) const
{
    FailOperation(m_place, condition);
}

} // namespace Box_20
