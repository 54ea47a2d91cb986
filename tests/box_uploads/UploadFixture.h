// The fixture of the upload tests: local files with known content (deleted afterwards), upload
// records for them, the stand-in's upload sessions and journal, and a watcher that acts (stops
// the upload through the informer, cuts the local file short) once a condition holds.
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

// A file in the temporary folder, deleted when it goes.
class LocalFile {
public:
    // size bytes of a pattern that depends on the seed; its SHA-1 is known from the writing.
    static LocalFile WithPattern(uint64_t size, int seed);
    // A sparse file of size bytes: zeros that take no disk space, then tail at the very end.
    static LocalFile Sparse(uint64_t size, const std::string& tail);
    // A path where no file is.
    static LocalFile Missing();

    LocalFile(LocalFile&& other) noexcept;
    LocalFile(const LocalFile&) = delete;
    LocalFile& operator=(const LocalFile&) = delete;
    ~LocalFile();

    const std::wstring& Path() const { return path_; }
    uint64_t Size() const { return size_; }
    // Lower-case hex, as the stand-in reports a stored file's "sha1".
    const std::string& Sha1Hex() const { return sha1Hex_; }
    // Cuts the file short while others (an upload) may hold it open.
    void Truncate(uint64_t size) const;

private:
    LocalFile(std::wstring path, uint64_t size) : path_(std::move(path)), size_(size) {}

    std::wstring path_;
    uint64_t size_;
    std::string sha1Hex_;
};

// On another thread: runs the action once the condition holds (asked every 10 ms, for at most a
// minute), while the test's thread uploads. Joins on destruction.
class WhenThen {
public:
    WhenThen(std::function<bool()> condition, std::function<void()> action);
    WhenThen(const WhenThen&) = delete;
    WhenThen& operator=(const WhenThen&) = delete;
    ~WhenThen();

private:
    std::thread thread_;
};

class UploadTest : public BoxRoad::BoxRoadTest {
protected:
    // A record of the file as a new file named name in the root folder.
    Box_20::UploadFileRecord NewFileRecord(const LocalFile& file, const std::wstring& name,
                                           ILSPropertyMap* map = nullptr) const;
    // A record of the file as a new version of the file fileId.
    Box_20::UploadFileRecord VersionRecord(const LocalFile& file, const std::string& fileId,
                                           const std::wstring& name) const;

    // A switch of the stand-in (part_size, body_read_pace_ms, ...) from now on.
    void SetSwitch(const char* name, int64_t value) const;
    Json::Value Sessions() const;
    // This test's requests of one method whose path matches the glob.
    Json::Value Requests(const std::string& method, const std::string& pathGlob) const;
    std::string StoredSha1(const std::wstring& fileId) const;
    // The session is aborted and was never committed.
    void ExpectAbortedWithoutCommit() const;
    // The sync issue's text on the map; empty when its type is not "ERROR".
    static std::wstring SyncIssue(const TestHost::TestPropertyMap* map);
};

} // namespace BoxUploads
