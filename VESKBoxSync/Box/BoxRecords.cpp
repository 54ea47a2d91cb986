#include "BoxRecords.h"

#include "Utf8Converter.h"

#include <utility>

namespace Box_20 {

namespace {

UserInfo ReadLockCreator(const Json::Value& createdBy)
{
    return UserInfo(GetJsonString(createdBy, "id"), GetJsonString(createdBy, "name"),
                    GetJsonString(createdBy, "login"), CStdStr<wchar_t>());
}

// Box's API description names the expiry of a lock in a reply "expired_at"; the name of the
// request member, "expires_at", is read as well.
DATE ReadLockExpiry(const Json::Value& lock)
{
    const OptionalDate expiredAt = GetJsonMember(lock, "expired_at");
    return expiredAt.Valid ? expiredAt.Date : GetJsonMember(lock, "expires_at").Date;
}

// A member that is an object, or null.
const Json::Value* FindObject(const Json::Value& parent, const std::string& name)
{
    if (!parent.isObject())
        return nullptr;
    const Json::Value* member = parent.find(name.data(), name.data() + name.size());
    return member != nullptr && member->isObject() ? member : nullptr;
}

} // namespace

UserInfo::UserInfo(CStdStr<wchar_t> id, CStdStr<wchar_t> name, CStdStr<wchar_t> login,
                   CStdStr<wchar_t> enterpriseId)
    : Id(std::move(id)), Name(std::move(name)), Login(std::move(login)), EnterpriseId(std::move(enterpriseId))
{
}

EMailCustomPropsRec::EMailCustomPropsRec(CStdStr<wchar_t> from, OptionalDate received, OptionalDate sent,
                                         CStdStr<wchar_t> subject, CStdStr<wchar_t> to, CStdStr<wchar_t> cc,
                                         CStdStr<wchar_t> bcc, CStdStr<wchar_t> conversationId,
                                         CStdStr<wchar_t> conversationIndex, CStdStr<wchar_t> conversationTopic,
                                         CStdStr<wchar_t> internetMessageId, int32_t hasAttachments)
    : From(std::move(from)), Received(received), Sent(sent), Subject(std::move(subject)), To(std::move(to)),
      Cc(std::move(cc)), Bcc(std::move(bcc)), ConversationId(std::move(conversationId)),
      ConversationIndex(std::move(conversationIndex)), ConversationTopic(std::move(conversationTopic)),
      InternetMessageId(std::move(internetMessageId)), HasAttachments(hasAttachments)
{
}

uint32_t GetPermissionFlags(const Json::Value& permissions)
{
    uint32_t flags = 0;
    if (GetJsonBool(permissions, "can_delete"))
        flags |= kPermissionCanDelete;
    if (GetJsonBool(permissions, "can_upload"))
        flags |= kPermissionCanUpload;
    if (flags == 0)
        flags |= kPermissionReadOnly;
    return flags;
}

FolderRecord::FolderRecord(int32_t kind) : Kind(kind) {}

FolderRecord::FolderRecord(CStdStr<wchar_t> id, CStdStr<wchar_t> etag, CStdStr<wchar_t> name,
                           CStdStr<wchar_t> path)
    : Kind(kFolder), Id(std::move(id)), ETag(std::move(etag)), Name(std::move(name)), Path(std::move(path))
{
}

FileRecord::FileRecord() : FolderRecord(kFilePart) {}

FileRecord::FileRecord(CStdStr<wchar_t> id, CStdStr<wchar_t> etag, CStdStr<wchar_t> name, uint32_t versionNumber,
                       DATE modifiedDate, std::shared_ptr<EMailCustomPropsRec> emailProps, CStdStr<wchar_t> path,
                       CStdStr<wchar_t> modifiedDateText)
    : FileRecord()
{
    Id = std::move(id);
    ETag = std::move(etag);
    Name = std::move(name);
    VersionNumber = versionNumber;
    ModifiedDate = modifiedDate;
    EmailProps = std::move(emailProps);
    Path = std::move(path);
    ModifiedDateText = std::move(modifiedDateText);
}

std::shared_ptr<LockRecordType> CreateLockRecord(const Json::Value& lock)
{
    if (!lock.isObject())
        return nullptr;
    auto record = std::make_shared<LockRecordType>();
    record->LockId = GetJsonString(lock, "id");
    // Box has sent locks without "created_at": such a lock is still a lock, only undated.
    record->CreatedAt = GetJsonMember(lock, "created_at").Date;
    record->CreatedBy = ReadLockCreator(MemberOrNull(lock, "created_by"));
    record->ExpiresAt = ReadLockExpiry(lock);
    record->DownloadPrevented = GetJsonBool(lock, "is_download_prevented");
    return record;
}

std::shared_ptr<EMailCustomPropsRec> CreateEMailCustomPropsRec(const std::wstring& enterpriseId,
                                                               const std::wstring& emailTemplateName,
                                                               const Json::Value& metadata)
{
    const Json::Value* scope = FindObject(metadata, "enterprise_" + WideToUtf8Lossy(enterpriseId));
    if (scope == nullptr)
        return nullptr;
    const Json::Value* instance = FindObject(*scope, WideToUtf8Lossy(emailTemplateName));
    if (instance == nullptr)
        return nullptr;
    const Json::Value& props = *instance;
    return std::make_shared<EMailCustomPropsRec>(
        GetJsonString(props, "from"), GetJsonMember(props, "received"), GetJsonMember(props, "sent"),
        GetJsonString(props, "subject"), GetJsonString(props, "to"), GetJsonString(props, "cc"),
        GetJsonString(props, "bcc"), GetJsonString(props, "conversationid"),
        GetJsonString(props, "conversationindex"), GetJsonString(props, "conversationtopic"),
        GetJsonString(props, "internetmessageid"), GetJsonInt(props, "hasattachments"));
}

} // namespace Box_20
