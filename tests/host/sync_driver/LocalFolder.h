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

// What the driver last saw of a file on disk; a difference is a local change. The content's digest,
// not the write time: an edit of the same size within one clock tick is a change all the same.
struct FileStamp {
    uint64_t size = 0;
    std::string sha1; // empty when the file could not be read, which then always counts as a change
    bool operator==(const FileStamp& other) const
    {
        return size == other.size && !sha1.empty() && sha1 == other.sha1;
    }
    bool operator!=(const FileStamp& other) const { return !(*this == other); }
};

// nullopt only when there is no such file.
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
