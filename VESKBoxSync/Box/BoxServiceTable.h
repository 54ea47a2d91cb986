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

// The placeholders of the rows, as the builders and operations fill them.
inline constexpr wchar_t kFileIdKey[] = L"[FILE_ID]";
inline constexpr wchar_t kFolderIdKey[] = L"[FOLDER_ID]";
inline constexpr wchar_t kSessionIdKey[] = L"[SESSION_ID]";
inline constexpr wchar_t kEnterpriseIdKey[] = L"[ENTERPRISE_ID]";
inline constexpr wchar_t kEmailTemplateKey[] = L"[EMAIL_TEMPLATE_NAME]";
inline constexpr wchar_t kFingerprintTemplateKey[] = L"[FINGERPRINT_TEMPLATE_NAME]";
inline constexpr wchar_t kLimitKey[] = L"[LIMIT]";
inline constexpr wchar_t kOffsetKey[] = L"[OFFSET]";
inline constexpr wchar_t kNextMarkerKey[] = L"[NEXT_MARKER]";
inline constexpr wchar_t kSearchTermKey[] = L"[SEARCH_TERM]";
inline constexpr wchar_t kAncestorIdsKey[] = L"[ANCESTOR_FOLDER_IDS]";
inline constexpr wchar_t kFingerprintKey[] = L"[FINGERPRINT]";
inline constexpr wchar_t kFolderIdQueryKey[] = L"[FOLDER_ID_QUERY]";
inline constexpr wchar_t kResultPropsKey[] = L"[RESULT_PROPS]";
inline constexpr wchar_t kDateQueryKey[] = L"[DATE_QUERY]";
inline constexpr wchar_t kSizeQueryKey[] = L"[SIZE_QUERY]";
inline constexpr wchar_t kAuthCodeKey[] = L"[AUTH_CODE]";
inline constexpr wchar_t kClientIdKey[] = L"[CLIENT_ID]";
inline constexpr wchar_t kClientSecretKey[] = L"[CLIENT_SECRET]";
inline constexpr wchar_t kRedirectUriKey[] = L"[REDIRECT_URI]";


} // namespace Box_20
