// Records the Box client builds from Box's replies and shares with the filter.
#pragma once

#include "BoxJson.h"
#include "StdString.h"

#include <json/value.h>
#include <oaidl.h>

#include <cstdint>
#include <memory>
#include <string>

namespace Box_20 {

// The OAuth token pair.
struct RefreshTokensType {
    CStdStr<wchar_t> AccessToken;
    CStdStr<wchar_t> RefreshToken;
};

// The signed-in user, or the creator of a lock (whose enterprise id stays empty).
struct UserInfo {
    UserInfo() = default;
    UserInfo(CStdStr<wchar_t> id, CStdStr<wchar_t> name, CStdStr<wchar_t> login, CStdStr<wchar_t> enterpriseId);

    CStdStr<wchar_t> Id;
    CStdStr<wchar_t> Name;
    CStdStr<wchar_t> Login;
    CStdStr<wchar_t> EnterpriseId;
};

// A Box lock. A date Box did not give (or gave unreadably) stays 0: an expiry of 0 means the lock
// never expires.
struct LockRecordType {
    CStdStr<wchar_t> LockId;
    DATE CreatedAt = 0;
    UserInfo CreatedBy;
    DATE ExpiresAt = 0;
    bool DownloadPrevented = false;
};

// The e-mail properties of a mail file, as stored in its e-mail metadata template instance.
struct EMailCustomPropsRec {
    EMailCustomPropsRec(CStdStr<wchar_t> from, OptionalDate received, OptionalDate sent, CStdStr<wchar_t> subject,
                        CStdStr<wchar_t> to, CStdStr<wchar_t> cc, CStdStr<wchar_t> bcc,
                        CStdStr<wchar_t> conversationId, CStdStr<wchar_t> conversationIndex,
                        CStdStr<wchar_t> conversationTopic, CStdStr<wchar_t> internetMessageId,
                        int32_t hasAttachments);

    CStdStr<wchar_t> From;
    OptionalDate Received;
    OptionalDate Sent;
    CStdStr<wchar_t> Subject;
    CStdStr<wchar_t> To;
    CStdStr<wchar_t> Cc;
    CStdStr<wchar_t> Bcc;
    CStdStr<wchar_t> ConversationId;
    CStdStr<wchar_t> ConversationIndex;
    CStdStr<wchar_t> ConversationTopic;
    CStdStr<wchar_t> InternetMessageId;
    // 0 means none.
    int32_t HasAttachments = 0;
};

// Bits of FolderRecord::Permissions.
enum PermissionFlags : uint32_t {
    kPermissionCanDelete = 0x1,
    kPermissionCanUpload = 0x2,
    // Neither delete nor upload: the filter shows the folder read-only.
    kPermissionReadOnly = 0x80000000,
};

// The flags of a "permissions" object; a missing or odd object gives read-only.
uint32_t GetPermissionFlags(const Json::Value& permissions);

struct FolderRecord {
    static constexpr int32_t kFilePart = 0;
    static constexpr int32_t kFolder = 1;

    // Everything but the kind empty.
    explicit FolderRecord(int32_t kind);
    // A folder (kind 1) without permission flags; the etag comes before the name.
    FolderRecord(CStdStr<wchar_t> id, CStdStr<wchar_t> etag, CStdStr<wchar_t> name, CStdStr<wchar_t> path);

    bool IsReadOnly() const { return (Permissions & kPermissionReadOnly) != 0; }

    int32_t Kind;
    CStdStr<wchar_t> Id;
    CStdStr<wchar_t> ETag;
    CStdStr<wchar_t> Name;
    CStdStr<wchar_t> Path;
    uint32_t Permissions = 0;
};

struct FileRecord : FolderRecord {
    FileRecord();
    // The listing position starts at 0; lock and fingerprint are set by the listing afterwards.
    FileRecord(CStdStr<wchar_t> id, CStdStr<wchar_t> etag, CStdStr<wchar_t> name, uint32_t versionNumber,
               DATE modifiedDate, std::shared_ptr<EMailCustomPropsRec> emailProps, CStdStr<wchar_t> path,
               CStdStr<wchar_t> modifiedDateText);

    uint32_t VersionNumber = 0;
    DATE ModifiedDate = 0;
    CStdStr<wchar_t> ModifiedDateText;
    int32_t ListingPosition = 0;
    std::shared_ptr<EMailCustomPropsRec> EmailProps;
    std::shared_ptr<LockRecordType> Lock;
    CStdStr<wchar_t> Fingerprint;
};

// The lock of a file entry's "lock" member; empty when the value is no object (no lock).
std::shared_ptr<LockRecordType> CreateLockRecord(const Json::Value& lock);

// The e-mail properties in an entry's "metadata" member under "enterprise_" + enterprise id and
// the template name; empty when the entry carries no such instance.
std::shared_ptr<EMailCustomPropsRec> CreateEMailCustomPropsRec(const std::wstring& enterpriseId,
                                                               const std::wstring& emailTemplateName,
                                                               const Json::Value& metadata);

} // namespace Box_20
