#include "UploadFixture.h"

#include "DigestHex.h"
#include "LSHash.h"
#include "ScratchFolder.h"
#include "UniqueResource.h"

#include <windows.h>

#include <atomic>
#include <chrono>
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

TalvernCommon::unique_hfile Open(const std::wstring& path, DWORD disposition)
{
    TalvernCommon::unique_hfile file{CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                                 nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr)};
    LARGE_INTEGER start{};
    if (!file || !SetFilePointerEx(file.get(), start, nullptr, FILE_BEGIN))
        throw std::runtime_error("cannot open a local test file");
    return file;
}

void Write(HANDLE file, uint64_t offset, const void* bytes, size_t count)
{
    LARGE_INTEGER position{};
    position.QuadPart = static_cast<LONGLONG>(offset);
    DWORD written = 0;
    if (!SetFilePointerEx(file, position, nullptr, FILE_BEGIN) ||
        !WriteFile(file, bytes, static_cast<DWORD>(count), &written, nullptr) || written != count)
        throw std::runtime_error("cannot write a local test file");
}

} // namespace

LocalFile::LocalFile(uint64_t size, int seed, const std::string& tail) : path_(NewTemporaryPath()), size_(size)
{
    if (seed == -2)
        return;
    const TalvernCommon::unique_hfile file = Open(path_, CREATE_ALWAYS);
    if (seed == -1) {
        Write(file.get(), size - tail.size(), tail.data(), tail.size());
        return;
    }
    // Byte i differs between parts, seeds and neighbouring bytes.
    std::vector<BYTE> block(4 * kMiB);
    for (uint64_t offset = 0; offset < size; offset += block.size()) {
        for (size_t i = 0; i < block.size(); ++i)
            block[i] = static_cast<BYTE>(31 * (offset + i) + 17 * static_cast<unsigned>(seed) + ((offset + i) >> 16));
        Write(file.get(), offset, block.data(), static_cast<size_t>(std::min<uint64_t>(block.size(), size - offset)));
    }
}

LocalFile::~LocalFile()
{
    if (!path_.empty())
        DeleteFileW(path_.c_str());
}

std::string LocalFile::Sha1Hex() const { return TestSupport::Sha1Hex(CLSHash::GetSha1ForFile(path_.c_str())); }

void LocalFile::Truncate(uint64_t size) const
{
    const TalvernCommon::unique_hfile file = Open(path_, OPEN_EXISTING);
    LARGE_INTEGER position{};
    position.QuadPart = static_cast<LONGLONG>(size);
    if (!SetFilePointerEx(file.get(), position, nullptr, FILE_BEGIN) || !SetEndOfFile(file.get()))
        throw std::runtime_error("cannot cut a local test file short");
}

WhenThen::WhenThen(std::function<bool()> condition, std::function<void()> action)
    : thread_([condition = std::move(condition), action = std::move(action)] {
          if (BoxRoad::WaitUntil(condition, std::chrono::minutes(1)))
              action();
      })
{
}

Box_20::UploadFileRecord UploadTest::NewFileRecord(const LocalFile& file, const std::wstring& name)
{
    Box_20::UploadFileRecord record;
    record.Name = name;
    record.LocalPath = file.Path();
    record.ParentFolderId = L"0";
    record.Size = file.Size();
    record.EnterpriseId = L"1234567";
    return record;
}

void UploadTest::SetSwitch(const char* name, int64_t value) const
{
    Json::Value switches;
    switches[name] = Json::Int64(value);
    standIn_.SetSwitches(switches);
}

Json::Value UploadTest::Requests(const std::string& method, const std::string& pathGlob) const
{
    Json::Value matching(Json::arrayValue);
    for (const Json::Value& entry : standIn_.JournalEntries(0, pathGlob)) {
        if (entry["method"].asString() == method)
            matching.append(entry);
    }
    return matching;
}

} // namespace BoxUploads
