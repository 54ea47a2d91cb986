#include "BoxListingRecords.h"

#include "BoxDates.h"
#include "BoxExceptions.h"
#include "BoxJson.h"
#include "Utf8Converter.h"

#include <windows.h>

#include <string_view>

namespace Box_20 {

namespace {

const Json::Value* FindObjectMember(const Json::Value& parent, const std::string& name)
{
    if (!parent.isObject())
        return nullptr;
    const Json::Value* member = parent.find(name.data(), name.data() + name.size());
    return member != nullptr && member->isObject() ? member : nullptr;
}

std::optional<EntryDate> ReadEntryDate(const Json::Value& entry, const char* member)
{
    const CStdStr<wchar_t> text = GetJsonString(entry, member);
    if (text.empty())
        return std::nullopt;
    try {
        return EntryDate{GetDateFromString(text), text};
    } catch (const ApiException&) {
        return std::nullopt;
    }
}

DATE CurrentOleDate()
{
    FILETIME now{};
    ::GetSystemTimeAsFileTime(&now);
    return FileTimeToOleDate((static_cast<uint64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime);
}

uint32_t ReadVersionNumber(const Json::Value& entry)
{
    const int32_t version = GetJsonInt(entry, "version_number");
    return version > 0 ? static_cast<uint32_t>(version) : 0;
}

CStdStr<wchar_t> ReadPath(const Json::Value& entry)
{
    const Json::Value* pathCollection = FindObjectMember(entry, "path_collection");
    if (pathCollection == nullptr)
        return {};
    CStdStr<wchar_t> path;
    for (const Json::Value& ancestor : (*pathCollection)["entries"])
        path += GetJsonString(ancestor, "name") + L"/";
    return path + GetJsonString(entry, "name");
}

} // namespace

EntryType GetEntryType(const Json::Value& entry)
{
    const Json::Value& type = MemberOrNull(entry, "type");
    if (!type.isString())
        return EntryType::Other;
    const char* begin = nullptr;
    const char* end = nullptr;
    type.getString(&begin, &end);
    const std::string_view text(begin, static_cast<size_t>(end - begin));
    return text == "file" ? EntryType::File : text == "folder" ? EntryType::Folder : EntryType::Other;
}

bool IsFileEntry(const Json::Value& entry) { return GetEntryType(entry) == EntryType::File; }

bool IsFolderEntry(const Json::Value& entry) { return GetEntryType(entry) == EntryType::Folder; }

std::optional<EntryDate> GetEntryDate(const Json::Value& entry)
{
    std::optional<EntryDate> date = ReadEntryDate(entry, "modified_at");
    return date ? date : ReadEntryDate(entry, "content_modified_at");
}

std::shared_ptr<LockRecordType> ReadLockInForce(const Json::Value& lock)
{
    std::shared_ptr<LockRecordType> record = CreateLockRecord(lock);
    if (record && record->ExpiresAt != 0 && record->ExpiresAt <= CurrentOleDate())
        return nullptr;
    return record;
}

CStdStr<wchar_t> ReadFingerprint(const Json::Value& entry, const MetadataScopeRecord& scope)
{
    if (scope.FingerprintTemplateName.empty())
        return {};
    const Json::Value* metadata = FindObjectMember(entry, "metadata");
    const Json::Value* enterprise =
        metadata ? FindObjectMember(*metadata, "enterprise_" + WideToUtf8Lossy(scope.EnterpriseId)) : nullptr;
    const Json::Value* instance =
        enterprise ? FindObjectMember(*enterprise, WideToUtf8Lossy(scope.FingerprintTemplateName)) : nullptr;
    return instance ? GetJsonString(*instance, "fingerprint") : CStdStr<wchar_t>();
}

FileRecord CreateFileRecord(const Json::Value& entry, const MetadataScopeRecord& scope)
{
    return CreateFileRecord(entry, scope, GetEntryDate(entry));
}

FileRecord CreateFileRecord(const Json::Value& entry, const MetadataScopeRecord& scope,
                            const std::optional<EntryDate>& date)
{
    FileRecord record(GetJsonString(entry, "id"), GetJsonString(entry, "etag"), GetJsonString(entry, "name"),
                      ReadVersionNumber(entry), date ? FileTimeToOleDate(date->FileTime) : 0,
                      CreateEMailCustomPropsRec(scope.EnterpriseId, scope.EmailTemplateName,
                                                MemberOrNull(entry, "metadata")),
                      CStdStr<wchar_t>(), date ? date->Text : CStdStr<wchar_t>());
    record.Permissions = GetPermissionFlags(MemberOrNull(entry, "permissions"));
    record.Lock = ReadLockInForce(MemberOrNull(entry, "lock"));
    record.Fingerprint = ReadFingerprint(entry, scope);
    return record;
}

FolderRecord CreateFolderRecord(const Json::Value& entry)
{
    FolderRecord record(GetJsonString(entry, "id"), GetJsonString(entry, "etag"), GetJsonString(entry, "name"),
                        ReadPath(entry));
    record.Permissions = GetPermissionFlags(MemberOrNull(entry, "permissions"));
    return record;
}

} // namespace Box_20
