// Every Box request address and both OAuth form bodies, as templates with bracketed placeholders,
// indexed by service number.
#pragma once

#include <array>
#include <cstddef>

namespace Box_20 {

struct ServiceTableEntry {
    const wchar_t* Text;
    size_t Length;
};

inline constexpr unsigned kServiceCount = 40;

// The rows by what they serve. Rows 0 and 1 are form bodies, row 2 the authorize path on the
// account host; the rest are paths below "/2.0" of the API or upload base.
enum ServiceNumber : unsigned {
    ServiceAuthCodeTokenBody = 0,
    ServiceRefreshTokenBody = 1,
    ServiceAuthorize = 2,
    ServiceUserInfo = 3,
    ServiceFolderInfo = 4,
    ServiceFolderInfoWithPath = 5,
    ServiceCreateFolder = 6,
    ServiceRenameFolder = 7,
    ServiceDeleteFolder = 8,
    ServiceFolderItems = 9,
    ServiceFolderItemsWithMarker = 10,
    ServiceFolderItemsWithFingerprint = 11,
    ServiceFolderItemsWithFingerprintAndMarker = 12,
    ServiceFolderFingerprintItems = 13,
    ServiceFolderFingerprintItemsWithMarker = 14,
    ServiceFolderItemIds = 15,
    ServiceFolderItemIdsWithMarker = 16,
    ServiceFile = 17,
    ServiceFileContent = 18,
    ServiceUploadFile = 19,
    ServiceUploadFileVersion = 20,
    ServiceDeleteFile = 21,
    ServiceRenameFile = 22,
    ServiceCreateUploadSession = 23,
    ServiceCreateVersionUploadSession = 24,
    ServiceCommitUploadSession = 25,
    ServiceFileModifiedAt = 26,
    ServiceLockFile = 27,
    ServiceUnlockFile = 28,
    ServiceFileLock = 29,
    ServiceFileETag = 30,
    ServiceEmailMetadata = 31,
    ServiceFingerprintMetadata = 32,
    ServiceFolderSearch = 33,
    ServiceFolderSearchInAncestors = 34,
    ServicePreflightFile = 35,
    ServicePreflightFileVersion = 36,
    ServiceFingerprintSearch = 37,
    ServiceFileSearch = 38,
    ServiceSingleDoc = 39,
};

extern const std::array<ServiceTableEntry, kServiceCount> ServiceTable;

} // namespace Box_20
