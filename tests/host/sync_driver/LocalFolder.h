// The host's side of a synchronised folder as the sync driver keeps it: a directory of files plus
// one property map per item and per folder, saved between runs as a small JSON file.
#pragma once

#include "ComPtr.h"
#include "TestPropertyMap.h"

#include <cstdint>
#include <map>
#include <optional>
#include <string>

namespace SyncDriver {

// What the driver last saw of a file on disk; a difference is a local change.
struct FileStamp {
    uint64_t size = 0;
    uint64_t writeTime = 0;
    bool operator==(const FileStamp& other) const { return size == other.size && writeTime == other.writeTime; }
    bool operator!=(const FileStamp& other) const { return !(*this == other); }
};

std::optional<FileStamp> StampOf(const std::wstring& path);

struct LocalItem {
    TalvernCommon::com_ptr<TestHost::TestPropertyMap> props = TestHost::TestPropertyMap::Create();
    FileStamp stamp;
    // Set by a local rename until the filter has renamed the file on Box.
    std::wstring pendingRename;
};

struct LocalFolder {
    TalvernCommon::com_ptr<TestHost::TestPropertyMap> props = TestHost::TestPropertyMap::Create();
    std::map<std::wstring, LocalItem> items;     // by file name in the directory
    std::map<std::wstring, LocalFolder> folders; // by directory name
};

// The main folder of a first run: the Box folder it mirrors.
LocalFolder NewMainFolder(const std::wstring& boxFolderId);

// Throws std::runtime_error when the file exists but cannot be read.
std::optional<LocalFolder> LoadFolderState(const std::wstring& path);
void SaveFolderState(const LocalFolder& folder, const std::wstring& path);

} // namespace SyncDriver
