// The e-mail header and content fingerprint a Box listing knows about a file, written onto the
// Outlook item without downloading its content.
#include "VESKBoxSyncFilterImpl.h"

#include "LSDiag.h"
#include "LSMapiTags.h"
#include "LSNamedProperties.h"
#include "LSPropertyHelpers.h"
#include "StringUtils.h"

namespace {


_bstr_t TagName(uint32_t tag) { return _bstr_t(ToHexString(tag).c_str()); }

void ThrowIfPutFailed(HRESULT hr, uint32_t tag)
{
    if (SUCCEEDED(hr))
        return;
    LOG(ERROR) << "Failed to set property " << std::hex << tag << "on property map";
    throw hr;
}

void SetMapiStringProperty(const CStdStr<wchar_t>& value, ILSPropertyMap* item, uint32_t tag)
{
    ThrowIfPutFailed(item->put_ItemStr(TagName(tag), _bstr_t(value.c_str())), tag);
}

void SetMapiDateProperty(ILSPropertyMap* item, uint32_t tag, DATE date)
{
    ThrowIfPutFailed(item->put_ItemDate(TagName(tag), date), tag);
}

void WriteEmailHeader(const Box_20::EMailCustomPropsRec& email, ILSPropertyMap* item)
{
    if (email.Received.Valid)
        SetMapiDateProperty(item, LSMapiTags::kMessageDeliveryTime, email.Received.Date);
    if (email.Sent.Valid)
        SetMapiDateProperty(item, LSMapiTags::kClientSubmitTime, email.Sent.Date);
    SetMapiStringProperty(email.From, item, LSMapiTags::kSenderName);
    SetMapiStringProperty(email.From, item, LSMapiTags::kSentRepresentingName);
    SetMapiStringProperty(email.Subject, item, LSMapiTags::kSubject);
    SetMapiStringProperty(email.To, item, LSMapiTags::kDisplayTo);
    SetMapiStringProperty(email.Cc, item, LSMapiTags::kDisplayCc);
    SetMapiStringProperty(email.Bcc, item, LSMapiTags::kDisplayBcc);
    // The attachment flag is a hint for the item's icon; a refusal leaves the header intact.
    item->put_ItemBool(TagName(LSMapiTags::kHasAttachments), email.HasAttachments != 0 ? 255 : 0);
    if (!email.ConversationIndex.empty()) {
        SetMapiStringProperty(email.ConversationIndex, item, LSMapiTags::kConversationIndex);
        LSPropertyHelpers::setBoolProp(item, TagName(LSMapiTags::kConversationIndexTracking), true);
    }
    SetMapiStringProperty(email.ConversationTopic, item, LSMapiTags::kConversationTopic);
    SetMapiStringProperty(email.InternetMessageId, item, LSMapiTags::kInternetMessageId);
}

} // namespace

CStdStr<wchar_t> VESKBoxSyncFilterImpl::GetFileNameForId(const CStdStr<wchar_t>& fileId) const
{
    for (size_t i = 0; i < m_itemIds.size() && i < m_itemNames.size(); ++i) {
        if (m_itemIds[i] == fileId)
            return m_itemNames[i];
    }
    return {};
}

// Each step logs its own failure; what one step wrote stays written when the other fails.
bool VESKBoxSyncFilterImpl::SetHeaderMapiProperties(const CStdStr<wchar_t>& remoteId, ILSPropertyMap* item)
{
    constexpr char kMethod[] = "VESKBoxSyncFilterImpl::SetHeaderMapiProperties";
    bool emailDone = false;
    try {
        const auto email = m_emailPropsByFileId.find(remoteId);
        if (IsMailFileExtension(GetFileNameForId(remoteId)) && email != m_emailPropsByFileId.end() && email->second) {
            LSPropertyHelpers::CheckPropMap(item);
            WriteEmailHeader(*email->second, item);
            emailDone = true;
        }
    } catch (...) {
        LSDiag::HandleInterfaceException(kMethod, __FILE__, __LINE__);
    }

    bool fingerprintDone = false;
    try {
        const auto fingerprint = m_fingerprintsByFileId.find(remoteId);
        if (!GetFingerprintMetadataTemplateName().empty() && fingerprint != m_fingerprintsByFileId.end()) {
            LSPropertyHelpers::CheckPropMap(item);
            const HRESULT hr =
                item->put_ItemStr(LSNamedProperties::VESKDuplicateHash, _bstr_t(fingerprint->second.c_str()));
            if (FAILED(hr)) {
                LOG(ERROR) << "Failed to set property " << "VESK.DuplicateHash" << "on property map" << "\n";
                throw hr;
            }
            fingerprintDone = true;
        }
    } catch (...) {
        LSDiag::HandleInterfaceException(kMethod, __FILE__, __LINE__);
    }
    return emailDone || fingerprintDone;
}
