// The records of the entries of Box's listings and searches: files, folders, their locks, dates
// and fingerprints.
#pragma once

#include "BoxRecords.h"
#include "StdString.h"

#include <json/value.h>

#include <cstdint>
#include <memory>
#include <optional>

namespace Box_20 {

// The metadata a listing asks Box for: the enterprise's scope and the two template names.
struct MetadataScopeRecord {
    CStdStr<wchar_t> EnterpriseId;
    CStdStr<wchar_t> EmailTemplateName;
    // Empty when fingerprints are not kept in Box.
    CStdStr<wchar_t> FingerprintTemplateName;
};

enum class EntryType { File, Folder, Other };

// The entry's "type", read without converting it.
EntryType GetEntryType(const Json::Value& entry);
bool IsFileEntry(const Json::Value& entry);
bool IsFolderEntry(const Json::Value& entry);

// The date a file record keeps, as Box wrote it and as a FILETIME count in UTC.
struct EntryDate {
    uint64_t FileTime = 0;
    CStdStr<wchar_t> Text;
};

// "modified_at", which moves with every change on Box (new version, rename, move), so that a
// listing keyed on it misses no change; "content_modified_at" only when Box gave no
// "modified_at". Empty when neither is a readable date.
std::optional<EntryDate> GetEntryDate(const Json::Value& entry);

// The lock in an entry's "lock" member, or null when the file has none. An expired lock no
// longer holds the file, so it counts as none.
std::shared_ptr<LockRecordType> ReadLockInForce(const Json::Value& lock);

// The fingerprint stored in the entry's fingerprint template instance; empty without one.
CStdStr<wchar_t> ReadFingerprint(const Json::Value& entry, const MetadataScopeRecord& scope);

// A file entry's record; its listing position is left to the listing. date: GetEntryDate of the
// entry, for a caller that has read it already.
FileRecord CreateFileRecord(const Json::Value& entry, const MetadataScopeRecord& scope);
FileRecord CreateFileRecord(const Json::Value& entry, const MetadataScopeRecord& scope,
                            const std::optional<EntryDate>& date);

// A folder entry's record; its path is the names of its "path_collection" and its own name,
// joined by "/" ("All Files/Projects/2024"), and empty when the entry carries no path.
FolderRecord CreateFolderRecord(const Json::Value& entry);

} // namespace Box_20
