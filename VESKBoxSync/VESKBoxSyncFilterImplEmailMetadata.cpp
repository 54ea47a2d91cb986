// The upload record of a local file, with the e-mail properties of the Outlook item when the file
// is a mail file. The properties come from the item's map, not from the file.
#include "VESKBoxSyncFilterImpl.h"

#include "ComDef.h"
#include "ComOwners.h"
#include "HResultException.h"
#include "LSDiag.h"
#include "LSFileSystem.h"
#include "LSMapiTags.h"
#include "LSPropertyHelpers.h"
#include "StringUtils.h"

#include <windows.h>

namespace {

// The named property Outlook sets when every attachment is hidden (inline pictures, signatures).
constexpr long kSmartNoAttachNamedId = 0x8514;
constexpr uint32_t kPropertyTypeMask = 0xFFFF;
constexpr uint32_t kPropertyTypeBoolean = 0x000B;

_bstr_t TagName(uint32_t tag) { return _bstr_t(ToHexString(tag).c_str()); }

CStdStr<wchar_t> ReadText(ILSPropertyMap* map, uint32_t tag)
{
    return LSPropertyHelpers::getProp(map, TagName(tag), L"");
}

// A date the item does not have stays out of the metadata: 0.0 is a real date (30 December 1899).
Box_20::OptionalDate ReadDate(ILSPropertyMap* map, uint32_t tag)
{
    DATE value = 0;
    if (FAILED(map->get_ItemDate(TagName(tag), &value)))
        return {};
    return {value, true};
}

std::optional<bool> ReadFlag(ILSPropertyMap* map, const _bstr_t& name)
{
    unsigned char value = 0;
    if (FAILED(map->get_ItemBool(name, &value)))
        return std::nullopt;
    return value != 0;
}

// Whether the item shows attachments: PR_HASATTACH, unless the hidden-attachments property says
// every one is hidden. What cannot be read leaves PR_HASATTACH standing.
int32_t HasVisibleAttachments(ILSPropertyMap* map)
{
    if (!ReadFlag(map, TagName(LSMapiTags::kHasAttachments)).value_or(false))
        return 0;
    TalvernCommon::com_ptr<ILSNamedPropertyTags> tags;
    const HRESULT queried = map->QueryInterface(__uuidof(ILSNamedPropertyTags), tags.put_void());
    if (queried == E_NOINTERFACE)
        return 1;
    if (FAILED(queried))
        _com_issue_error(queried);
    long tag = 0;
    if (FAILED(tags->GetTagForNamedId(kSmartNoAttachNamedId, &tag)))
        return 1;
    const uint32_t booleanTag = (static_cast<uint32_t>(tag) & ~kPropertyTypeMask) | kPropertyTypeBoolean;
    const std::optional<bool> allHidden = ReadFlag(map, TagName(booleanTag));
    return allHidden.value_or(false) ? 0 : 1;
}

} // namespace

Box_20::UploadFileRecord VESKBoxSyncFilterImpl::BuildEmailMetadata(const CStdStr<wchar_t>& localPath,
                                                                   const CStdStr<wchar_t>& name, ILSPropertyMap* item,
                                                                   bool newVersion,
                                                                   const CStdStr<wchar_t>& parentFolderId)
{
    const uint64_t size = ReadLocalFileChunk(localPath, name);
    const CStdStr<wchar_t> leafName = SplitPathAtLastBackslash(name);

    Box_20::UploadFileRecord record;
    record.Name = leafName;
    record.LocalPath = localPath;
    record.ParentFolderId = parentFolderId;
    record.Size = size;
    record.NewVersion = newVersion;
    record.PropertyMap = TalvernCommon::com_ptr<ILSPropertyMap>(item);
    record.ContentType = LSFileSystem::GetContentTypeForExtension(GetFileExtension(leafName));
    record.EnterpriseId = GetBoxUserId();
    record.EmailTemplateName = GetEmailMetadataTemplateName();
    if (IsMailFileExtension(leafName))
        record.EmailProps = GetEMailCustomPropsFromItem(item);
    return record;
}

// The uploads read the file themselves, part by part; only its size is needed here, in full 64
// bits so that a file of 4 GiB or more is never announced shorter than it is.
uint64_t VESKBoxSyncFilterImpl::ReadLocalFileChunk(const CStdStr<wchar_t>& localPath, const CStdStr<wchar_t>& name)
{
    WIN32_FILE_ATTRIBUTE_DATA attributes{};
    if (!GetFileAttributesExW(localPath.c_str(), GetFileExInfoStandard, &attributes)) {
        const DWORD error = GetLastError();
        LOG(ERROR) << "Failed to open file: " << LSDiag::LogText(name) << " Error: " << std::hex << error;
        throw hresult_exception(HRESULT_FROM_WIN32(error), "Failed to open file: " + LSDiag::LogText(name));
    }
    if ((attributes.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        throw hresult_exception(E_INVALIDARG, "Not a file: " + LSDiag::LogText(name));
    return (static_cast<uint64_t>(attributes.nFileSizeHigh) << 32) | attributes.nFileSizeLow;
}

std::shared_ptr<Box_20::EMailCustomPropsRec> VESKBoxSyncFilterImpl::GetEMailCustomPropsFromItem(ILSPropertyMap* item)
{
    LSPropertyHelpers::CheckPropMap(item);
    // Read in this order: the host may log or meter its reads.
    CStdStr<wchar_t> from = ReadText(item, LSMapiTags::kSenderName);
    const Box_20::OptionalDate received = ReadDate(item, LSMapiTags::kMessageDeliveryTime);
    const Box_20::OptionalDate sent = ReadDate(item, LSMapiTags::kClientSubmitTime);
    CStdStr<wchar_t> subject = ReadText(item, LSMapiTags::kSubject);
    CStdStr<wchar_t> to = ReadText(item, LSMapiTags::kDisplayTo);
    CStdStr<wchar_t> cc = ReadText(item, LSMapiTags::kDisplayCc);
    CStdStr<wchar_t> bcc = ReadText(item, LSMapiTags::kDisplayBcc);
    CStdStr<wchar_t> conversationId = ReadText(item, LSMapiTags::kConversationId);
    CStdStr<wchar_t> conversationIndex = ReadText(item, LSMapiTags::kConversationIndex);
    CStdStr<wchar_t> conversationTopic = ReadText(item, LSMapiTags::kConversationTopic);
    CStdStr<wchar_t> internetMessageId = ReadText(item, LSMapiTags::kInternetMessageId);
    const int32_t hasAttachments = HasVisibleAttachments(item);
    return std::make_shared<Box_20::EMailCustomPropsRec>(
        std::move(from), received, sent, std::move(subject), std::move(to), std::move(cc), std::move(bcc),
        std::move(conversationId), std::move(conversationIndex), std::move(conversationTopic),
        std::move(internetMessageId), hasAttachments);
}
