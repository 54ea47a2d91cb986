#include "BoxServiceTable.h"

namespace Box_20 {

namespace {

template <size_t N>
constexpr ServiceTableEntry Row(const wchar_t (&text)[N])
{
    return {text, N - 1};
}

// Texts that several rows share.
constexpr wchar_t kFile[] = L"/files/[FILE_ID]";
constexpr wchar_t kFileContent[] = L"/files/[FILE_ID]/content";
constexpr wchar_t kFilesContent[] = L"/files/content";
constexpr wchar_t kFileLock[] = L"/files/[FILE_ID]?fields=lock";

constexpr wchar_t kAuthCodeTokenBody[] =
    L"grant_type=authorization_code&code=[AUTH_CODE]&client_id=[CLIENT_ID]&client_secret=[CLIENT_SECRET]";
constexpr wchar_t kRefreshTokenBody[] =
    L"grant_type=refresh_token&refresh_token=[AUTH_CODE]&client_id=[CLIENT_ID]&client_secret=[CLIENT_SECRET]";
constexpr wchar_t kAuthorize[] =
    L"/api/oauth2/authorize?response_type=code&client_id=[CLIENT_ID]&redirect_uri=[REDIRECT_URI]";
constexpr wchar_t kUserInfo[] = L"/users/me?fields=id,name,login,enterprise";
constexpr wchar_t kFolderInfo[] = L"/folders/[FOLDER_ID]?fields=name,etag,permissions";
constexpr wchar_t kFolderInfoWithPath[] = L"/folders/[FOLDER_ID]?fields=name,etag,permissions,path_collection";
constexpr wchar_t kFolders[] = L"/folders";
constexpr wchar_t kFolder[] = L"/folders/[FOLDER_ID]";
constexpr wchar_t kDeleteFolder[] = L"/folders/[FOLDER_ID]?recursive=true";
constexpr wchar_t kFolderItems[] =
    L"/folders/[FOLDER_ID]/items?usemarker=true&limit=[LIMIT]&fields=name,modified_at,content_modified_at,"
    L"version_number,etag,permissions,metadata.enterprise_[ENTERPRISE_ID].[EMAIL_TEMPLATE_NAME],lock"
    L"&sort=date&direction=DESC";
constexpr wchar_t kFolderItemsWithMarker[] =
    L"/folders/[FOLDER_ID]/items?usemarker=true&limit=[LIMIT]&marker=[NEXT_MARKER]&fields=name,modified_at,"
    L"content_modified_at,version_number,etag,permissions,metadata.enterprise_[ENTERPRISE_ID]."
    L"[EMAIL_TEMPLATE_NAME],lock&sort=date&direction=DESC";
constexpr wchar_t kFolderItemsWithFingerprint[] =
    L"/folders/[FOLDER_ID]/items?usemarker=true&limit=[LIMIT]&fields=name,modified_at,content_modified_at,"
    L"version_number,etag,permissions,metadata.enterprise_[ENTERPRISE_ID].[EMAIL_TEMPLATE_NAME],lock,"
    L"metadata.enterprise_[ENTERPRISE_ID].[FINGERPRINT_TEMPLATE_NAME]&sort=date&direction=DESC";
constexpr wchar_t kFolderItemsWithFingerprintAndMarker[] =
    L"/folders/[FOLDER_ID]/items?usemarker=true&limit=[LIMIT]&marker=[NEXT_MARKER]&fields=name,modified_at,"
    L"content_modified_at,version_number,etag,permissions,metadata.enterprise_[ENTERPRISE_ID]."
    L"[EMAIL_TEMPLATE_NAME],lock,metadata.enterprise_[ENTERPRISE_ID].[FINGERPRINT_TEMPLATE_NAME]"
    L"&sort=date&direction=DESC";
constexpr wchar_t kFolderFingerprintItems[] =
    L"/folders/[FOLDER_ID]/items?usemarker=true&limit=[LIMIT]&fields=metadata.enterprise_[ENTERPRISE_ID]."
    L"[FINGERPRINT_TEMPLATE_NAME]&sort=date&direction=DESC";
constexpr wchar_t kFolderFingerprintItemsWithMarker[] =
    L"/folders/[FOLDER_ID]/items?usemarker=true&limit=[LIMIT]&marker=[NEXT_MARKER]&fields=name,id,"
    L"metadata.enterprise_[ENTERPRISE_ID].[FINGERPRINT_TEMPLATE_NAME]&sort=date&direction=DESC";
constexpr wchar_t kFolderItemIds[] =
    L"/folders/[FOLDER_ID]/items?usemarker=true&limit=[LIMIT]&fields=id,modified_at,type&sort=date&direction=DESC";
// Box does not mind that the marker follows the field list here and precedes it elsewhere.
constexpr wchar_t kFolderItemIdsWithMarker[] =
    L"/folders/[FOLDER_ID]/items?usemarker=true&limit=[LIMIT]&fields=id,modified_at,type&marker=[NEXT_MARKER]"
    L"&sort=date&direction=DESC";
constexpr wchar_t kUploadSessions[] = L"/files/upload_sessions";
constexpr wchar_t kVersionUploadSessions[] = L"/files/[FILE_ID]/upload_sessions";
constexpr wchar_t kCommitUploadSession[] = L"/files/upload_sessions/[SESSION_ID]/commit";
constexpr wchar_t kFileModifiedAt[] = L"/files/[FILE_ID]?fields=modified_at";
constexpr wchar_t kFileETag[] = L"/files/[FILE_ID]?fields=etag";
constexpr wchar_t kEmailMetadata[] = L"/files/[FILE_ID]/metadata/enterprise_[ENTERPRISE_ID]/[EMAIL_TEMPLATE_NAME]";
constexpr wchar_t kFingerprintMetadata[] =
    L"/files/[FILE_ID]/metadata/enterprise_[ENTERPRISE_ID]/[FINGERPRINT_TEMPLATE_NAME]";
constexpr wchar_t kFolderSearch[] =
    L"/search?query=[SEARCH_TERM]&offset=[OFFSET]&limit=[LIMIT]&type=folder&scope=user_content"
    L"&content_types=name,file_content&fields=name,modified_at,content_modified_at,etag,permissions,path_collection";
constexpr wchar_t kFolderSearchInAncestors[] =
    L"/search?query=[SEARCH_TERM]&ancestor_folder_ids=[ANCESTOR_FOLDER_IDS]&offset=[OFFSET]&limit=[LIMIT]"
    L"&type=folder&scope=user_content&content_types=name,file_content&fields=name,modified_at,content_modified_at,"
    L"etag,permissions,path_collection";
constexpr wchar_t kFingerprintSearch[] =
    L"/search?query=[FINGERPRINT]&limit=[LIMIT]&fields=metadata.enterprise_[ENTERPRISE_ID].[FINGERPRINT_TEMPLATE_NAME]"
    L"&ancestor_folder_ids=[FOLDER_ID]";
constexpr wchar_t kFileSearch[] =
    L"/search?query=[SEARCH_TERM]&[FOLDER_ID_QUERY]offset=[OFFSET]&limit=[LIMIT]&type=file&sort=modified_at"
    L"&scope=user_content&content_types=name,file_content&fields=[RESULT_PROPS][DATE_QUERY][SIZE_QUERY]";
constexpr wchar_t kSingleDoc[] =
    L"/files/[FILE_ID]?fields=name,modified_at,content_modified_at,version_number,etag,permissions,"
    L"metadata.enterprise_[ENTERPRISE_ID].[EMAIL_TEMPLATE_NAME],metadata.enterprise_[ENTERPRISE_ID]."
    L"[FINGERPRINT_TEMPLATE_NAME],lock";

} // namespace

const std::array<ServiceTableEntry, kServiceCount> ServiceTable = {{
    Row(kAuthCodeTokenBody),                   // 0
    Row(kRefreshTokenBody),                    // 1
    Row(kAuthorize),                           // 2
    Row(kUserInfo),                            // 3
    Row(kFolderInfo),                          // 4
    Row(kFolderInfoWithPath),                  // 5
    Row(kFolders),                             // 6
    Row(kFolder),                              // 7
    Row(kDeleteFolder),                        // 8
    Row(kFolderItems),                         // 9
    Row(kFolderItemsWithMarker),               // 10
    Row(kFolderItemsWithFingerprint),          // 11
    Row(kFolderItemsWithFingerprintAndMarker), // 12
    Row(kFolderFingerprintItems),              // 13
    Row(kFolderFingerprintItemsWithMarker),    // 14
    Row(kFolderItemIds),                       // 15
    Row(kFolderItemIdsWithMarker),             // 16
    Row(kFile),                                // 17
    Row(kFileContent),                         // 18
    Row(kFilesContent),                        // 19
    Row(kFileContent),                         // 20
    Row(kFile),                                // 21
    Row(kFile),                                // 22
    Row(kUploadSessions),                      // 23
    Row(kVersionUploadSessions),               // 24
    Row(kCommitUploadSession),                 // 25
    Row(kFileModifiedAt),                      // 26
    Row(kFileLock),                            // 27
    Row(kFileLock),                            // 28
    Row(kFileLock),                            // 29
    Row(kFileETag),                            // 30
    Row(kEmailMetadata),                       // 31
    Row(kFingerprintMetadata),                 // 32
    Row(kFolderSearch),                        // 33
    Row(kFolderSearchInAncestors),             // 34
    Row(kFilesContent),                        // 35
    Row(kFileContent),                         // 36
    Row(kFingerprintSearch),                   // 37
    Row(kFileSearch),                          // 38
    Row(kSingleDoc),                           // 39
}};

} // namespace Box_20
