#include "UploadFixture.h"

#include "DigestHex.h"
#include "LSHash.h"
#include "ScratchFolder.h"
#include "UniqueResource.h"

#include <atomic>
#include <stdexcept>
#include <vector>

namespace BoxUploads {
namespace {

// In a folder that goes with the process, should a test end before its file is deleted.
std::wstring NewTemporaryPath()
{
    static const ScratchFolder folder(L"box_uploads");
    static std::atomic<int> counter{0};
    return folder.File(std::to_wstring(++counter) + L".bin");
}

TalvernCommon::unique_hfile OpenAt(const std::wstring& path, DWORD disposition, uint64_t offset)
{
    TalvernCommon::unique_hfile file{CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                                 nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr)};
    LARGE_INTEGER position{};
    position.QuadPart = static_cast<LONGLONG>(offset);
    if (!file || !SetFilePointerEx(file.get(), position, nullptr, FILE_BEGIN))
        throw std::runtime_error("cannot open a local test file");
    return file;
}

void Write(HANDLE file, const void* bytes, size_t count)
{
    DWORD written = 0;
    if (!WriteFile(file, bytes, static_cast<DWORD>(count), &written, nullptr) || written != count)
        throw std::runtime_error("cannot write a local test file");
}

} // namespace

LocalFile::LocalFile(uint64_t size, int seed, const std::string& tail) : path_(NewTemporaryPath()), size_(size)
{
    if (seed == -2)
        return;
    const TalvernCommon::unique_hfile file = OpenAt(path_, CREATE_ALWAYS, seed == -1 ? size - tail.size() : 0);
    // Byte i differs between parts, seeds and neighbouring bytes.
    std::vector<BYTE> block(seed == -1 ? 0 : 4 * kMiB);
    for (uint64_t offset = 0; offset < size && !block.empty(); offset += block.size()) {
        for (size_t i = 0; i < block.size(); ++i)
            block[i] = static_cast<BYTE>(31 * (offset + i) + 17 * static_cast<unsigned>(seed) + ((offset + i) >> 16));
        Write(file.get(), block.data(), static_cast<size_t>(std::min<uint64_t>(block.size(), size - offset)));
    }
    Write(file.get(), tail.data(), tail.size());
}

LocalFile::~LocalFile()
{
    if (!path_.empty())
        DeleteFileW(path_.c_str());
}

std::string LocalFile::Sha1Hex() const { return TestSupport::Sha1Hex(CLSHash::GetSha1ForFile(path_.c_str())); }

void LocalFile::Truncate(uint64_t size) const
{
    if (!SetEndOfFile(OpenAt(path_, OPEN_EXISTING, size).get()))
        throw std::runtime_error("cannot cut a local test file short");
}

} // namespace BoxUploads
