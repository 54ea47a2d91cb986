#include "UploadFixture.h"

#include "DigestHex.h"
#include "LSHash.h"
#include "LSNamedProperties.h"
#include "UniqueResource.h"

#include <windows.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <vector>

namespace BoxUploads {
namespace {

std::wstring NewTemporaryPath()
{
    static std::atomic<int> counter{0};
    wchar_t folder[MAX_PATH + 1] = {};
    if (GetTempPathW(MAX_PATH, folder) == 0)
        throw std::runtime_error("no temporary folder");
    return std::wstring(folder) + L"box_uploads_" + std::to_wstring(GetCurrentProcessId()) + L"_" +
           std::to_wstring(++counter) + L".bin";
}

TalvernCommon::unique_hfile CreateForWriting(const std::wstring& path)
{
    TalvernCommon::unique_hfile file{CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                                 FILE_ATTRIBUTE_NORMAL, nullptr)};
    if (!file)
        throw std::runtime_error("cannot create a local test file");
    return file;
}

void WriteAll(HANDLE file, const std::vector<BYTE>& bytes, size_t count)
{
    DWORD written = 0;
    if (!WriteFile(file, bytes.data(), static_cast<DWORD>(count), &written, nullptr) || written != count)
        throw std::runtime_error("cannot write a local test file");
}

void SeekTo(HANDLE file, uint64_t offset)
{
    LARGE_INTEGER position{};
    position.QuadPart = static_cast<LONGLONG>(offset);
    if (!SetFilePointerEx(file, position, nullptr, FILE_BEGIN))
        throw std::runtime_error("cannot seek in a local test file");
}

// Byte i of a pattern file: differs between parts, seeds and neighbouring bytes.
void FillPattern(std::vector<BYTE>& block, uint64_t offset, int seed)
{
    for (size_t i = 0; i < block.size(); ++i) {
        const uint64_t at = offset + i;
        block[i] = static_cast<BYTE>(31 * at + 17 * static_cast<unsigned>(seed) + (at >> 16));
    }
}

} // namespace

LocalFile LocalFile::WithPattern(uint64_t size, int seed)
{
    LocalFile local(NewTemporaryPath(), size);
    const TalvernCommon::unique_hfile file = CreateForWriting(local.path_);
    CLSSha1Stream sha1;
    std::vector<BYTE> block(4 * kMiB);
    for (uint64_t offset = 0; offset < size; offset += block.size()) {
        const size_t count = static_cast<size_t>(std::min<uint64_t>(block.size(), size - offset));
        FillPattern(block, offset, seed);
        sha1.Add(block.data(), count);
        WriteAll(file.get(), block, count);
    }
    local.sha1Hex_ = TestSupport::Sha1Hex(sha1.Finish());
    return local;
}

LocalFile LocalFile::Sparse(uint64_t size, const std::string& tail)
{
    LocalFile local(NewTemporaryPath(), size);
    const TalvernCommon::unique_hfile file = CreateForWriting(local.path_);
    SeekTo(file.get(), size - tail.size());
    WriteAll(file.get(), std::vector<BYTE>(tail.begin(), tail.end()), tail.size());
    return local;
}

LocalFile LocalFile::Missing() { return LocalFile(NewTemporaryPath(), 0); }

LocalFile::LocalFile(LocalFile&& other) noexcept
    : path_(std::move(other.path_)), size_(other.size_), sha1Hex_(std::move(other.sha1Hex_))
{
    other.path_.clear();
}

LocalFile::~LocalFile()
{
    if (!path_.empty())
        DeleteFileW(path_.c_str());
}

void LocalFile::Truncate(uint64_t size) const
{
    const TalvernCommon::unique_hfile file{CreateFileW(path_.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                                       nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)};
    if (!file)
        throw std::runtime_error("cannot open a local test file to cut it short");
    SeekTo(file.get(), size);
    if (!SetEndOfFile(file.get()))
        throw std::runtime_error("cannot cut a local test file short");
}

WhenThen::WhenThen(std::function<bool()> condition, std::function<void()> action)
    : thread_([condition = std::move(condition), action = std::move(action)] {
          if (BoxRoad::WaitUntil(condition, std::chrono::minutes(1)))
              action();
      })
{
}

WhenThen::~WhenThen() { thread_.join(); }

Box_20::UploadFileRecord UploadTest::NewFileRecord(const LocalFile& file, const std::wstring& name,
                                                   ILSPropertyMap* map) const
{
    Box_20::UploadFileRecord record;
    record.Name = name;
    record.LocalPath = file.Path();
    record.ParentFolderId = L"0";
    record.Size = file.Size();
    record.PropertyMap = TalvernCommon::com_ptr<ILSPropertyMap>(map);
    record.EnterpriseId = L"1234567";
    return record;
}

Box_20::UploadFileRecord UploadTest::VersionRecord(const LocalFile& file, const std::string& fileId,
                                                   const std::wstring& name) const
{
    Box_20::UploadFileRecord record = NewFileRecord(file, name);
    record.FileId = AnsiToWide(fileId);
    record.NewVersion = true;
    return record;
}

void UploadTest::SetSwitch(const char* name, int64_t value) const
{
    Json::Value switches;
    switches[name] = Json::Int64(value);
    standIn_.SetSwitches(switches);
}

Json::Value UploadTest::Sessions() const { return standIn_.Get("upload_sessions")["sessions"]; }

Json::Value UploadTest::Requests(const std::string& method, const std::string& pathGlob) const
{
    Json::Value matching(Json::arrayValue);
    for (const Json::Value& entry : standIn_.JournalEntries(0, pathGlob)) {
        if (entry["method"].asString() == method)
            matching.append(entry);
    }
    return matching;
}

std::string UploadTest::StoredSha1(const std::wstring& fileId) const
{
    return standIn_.Item("file", WideToUtf8Lossy(fileId))["sha1"].asString();
}

void UploadTest::ExpectAbortedWithoutCommit() const
{
    const Json::Value sessions = Sessions();
    ASSERT_EQ(1u, sessions.size());
    EXPECT_EQ("aborted", sessions[0]["state"].asString());
    EXPECT_EQ(1u, Requests("DELETE", kPartPath).size());
    EXPECT_EQ(0u, Requests("POST", kCommitPath).size());
}

std::wstring UploadTest::SyncIssue(const TestHost::TestPropertyMap* map)
{
    if (map->Text(static_cast<const wchar_t*>(LSNamedProperties::QuentraSyncIssueType)) != L"ERROR")
        return {};
    return map->Text(static_cast<const wchar_t*>(LSNamedProperties::QuentraSyncIssueMessage)).value_or(L"");
}

} // namespace BoxUploads
