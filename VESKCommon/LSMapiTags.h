// The MAPI property tags of a message that the filter reads from or writes to Outlook items.
#pragma once

#include <cstdint>

namespace LSMapiTags {

constexpr uint32_t kClientSubmitTime = 0x00390040; // PR_CLIENT_SUBMIT_TIME
constexpr uint32_t kConversationId = 0x30130102; // PR_CONVERSATION_ID
constexpr uint32_t kConversationIndex = 0x00710102; // PR_CONVERSATION_INDEX
constexpr uint32_t kConversationIndexTracking = 0x3016000B; // PR_CONVERSATION_INDEX_TRACKING
constexpr uint32_t kConversationTopic = 0x0070001F; // PR_CONVERSATION_TOPIC
constexpr uint32_t kDisplayBcc = 0x0E02001F; // PR_DISPLAY_BCC
constexpr uint32_t kDisplayCc = 0x0E03001F; // PR_DISPLAY_CC
constexpr uint32_t kDisplayName = 0x3001001F; // PR_DISPLAY_NAME
constexpr uint32_t kDisplayTo = 0x0E04001F; // PR_DISPLAY_TO
constexpr uint32_t kHasAttachments = 0x0E1B000B; // PR_HASATTACH
constexpr uint32_t kInternetMessageId = 0x1035001F; // PR_INTERNET_MESSAGE_ID
constexpr uint32_t kLastModificationTime = 0x30080040; // PR_LAST_MODIFICATION_TIME
constexpr uint32_t kMessageClass = 0x001A001F; // PR_MESSAGE_CLASS
constexpr uint32_t kMessageDeliveryTime = 0x0E060040; // PR_MESSAGE_DELIVERY_TIME
constexpr uint32_t kSenderName = 0x0C1A001F; // PR_SENDER_NAME
constexpr uint32_t kSentRepresentingName = 0x0042001F; // PR_SENT_REPRESENTING_NAME
constexpr uint32_t kSubject = 0x0037001F; // PR_SUBJECT

} // namespace LSMapiTags
