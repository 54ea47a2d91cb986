// Local files with known content, upload records for them, and the stand-in's sessions and journal.
#pragma once

#include "BoxRoadFixture.h"
#include "BoxUploadRecords.h"
#include "TestPropertyMap.h"
#include "Utf8Converter.h"

#include <cstdint>
#include <functional>
#include <string>
#include <thread>

namespace BoxUploads {

constexpr uint64_t kMiB = 1024 * 1024;
constexpr uint64_t kChunkedThreshold = 52428800;
constexpr char kPartPath[] = "/api/2.0/files/upload_sessions/*";
constexpr char kCommitPath[] = "/api/2.0/files/upload_sessions/*/commit";

// A temporary file, deleted when it goes: a seeded pattern, sparse zeros and a tail, or no file at all.
class LocalFile {
public:
    static LocalFile WithPattern(uint64_t size, int seed) { return LocalFile(size, seed, {}); }
    static LocalFile Sparse(uint64_t size, const std::string& tail) { return LocalFile(size, -1, tail); }
    static LocalFile Missing() { return LocalFile(0, -2, {}); }
    LocalFile(LocalFile&& other) noexcept : path_(std::move(other.path_)), size_(other.size_) { other.path_.clear(); }
    ~LocalFile();

    const std::wstring& Path() const { return path_; }
    uint64_t Size() const { return size_; }
    // Lower-case hex, as the stand-in reports a stored file's "sha1".
    std::string Sha1Hex() const;
    // Cuts the file short while others (an upload) may hold it open.
    void Truncate(uint64_t size) const;

private:
    LocalFile(uint64_t size, int seed, const std::string& tail);

    std::wstring path_;
    uint64_t size_;
};

// Runs the action on another thread once the condition holds (for at most a minute); joins when it goes.
class WhenThen {
public:
    WhenThen(std::function<bool()> condition, std::function<void()> action)
        : thread_([condition = std::move(condition), action = std::move(action)] {
              if (BoxRoad::WaitUntil(condition, std::chrono::minutes(1)))
                  action();
          })
    {
    }
    ~WhenThen() { thread_.join(); }

private:
    std::thread thread_;
};

class UploadTest : public BoxRoad::BoxRoadTest {
protected:
    // The file as a new file named name in the root folder.
    static Box_20::UploadFileRecord NewFileRecord(const LocalFile& file, const std::wstring& name)
    {
        Box_20::UploadFileRecord record;
        record.Name = name;
        record.LocalPath = file.Path();
        record.ParentFolderId = L"0";
        record.Size = file.Size();
        record.EnterpriseId = L"1234567";
        return record;
    }
    // A switch of the stand-in (part_size, body_read_pace_ms, ...) from now on.
    void SetSwitch(const std::string& name, int64_t value) const
    {
        standIn_.SetSwitches(BoxRoad::ParseJson("{\"" + name + "\": " + std::to_string(value) + "}"));
    }
    Json::Value Sessions() const { return standIn_.Get("upload_sessions")["sessions"]; }
    // This test's requests of one method whose path matches the glob.
    Json::Value Requests(const std::string& method, const std::string& pathGlob) const
    {
        Json::Value matching(Json::arrayValue);
        for (const Json::Value& entry : standIn_.JournalEntries(0, pathGlob))
            if (entry["method"].asString() == method)
                matching.append(entry);
        return matching;
    }
    std::string StoredSha1(const std::wstring& fileId) const
    {
        return standIn_.Item("file", WideToUtf8Lossy(fileId))["sha1"].asString();
    }
};

} // namespace BoxUploads
