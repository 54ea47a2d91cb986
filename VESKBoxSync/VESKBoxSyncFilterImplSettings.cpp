// The settings the Box operations share: paging limits, the Box web application's address, the
// signed-in user's enterprise and the metadata template names.
#include "VESKBoxSyncFilterImpl.h"

#include "BoxExceptions.h"
#include "BoxUserOperations.h"
#include "LSDiag.h"
#include "LSSetting.h"

#include <mutex>

namespace {

constexpr wchar_t kPagingLimitSetting[] = L"BoxSync.MarkerBasedPagingLimit";
constexpr wchar_t kIncrementalLimitSetting[] = L"BoxSync.MarkerBasedIncrementalLimit";
constexpr DWORD kDefaultPagingLimit = 500;
constexpr DWORD kDefaultIncrementalLimit = 100;
constexpr wchar_t kChildFolderBatchSetting[] = L"BoxSync.ChildFolderBatchSize";
constexpr DWORD kDefaultChildFolderBatch = 50;
// Box refuses pages of more than 1000 entries.
constexpr DWORD kMaxPageLimit = 1000;

constexpr wchar_t kApplicationUrlSetting[] = L"BoxSync.ApplicationUrl";
constexpr wchar_t kDefaultApplicationUrl[] = L"https://app.box.com";
constexpr wchar_t kUserIdSetting[] = L"BoxSync.UserId";
constexpr wchar_t kEmailTemplateSetting[] = L"BoxSync.EmailMetaDataTemplateName";
constexpr wchar_t kFingerprintTemplateSetting[] = L"BoxSync.FingerprintMetaDataTemplateName";
constexpr wchar_t kMissingEmailTemplateText[] = L"Failed to get template from registry for email metadata";

// Out of range (a negative stored value included, read as a large unsigned one) gives the default.
DWORD ClampedLimit(const wchar_t* settingName, DWORD defaultValue)
{
    const DWORD value = LSSetting::GetInstance().GetUserDword(settingName, defaultValue);
    return value >= 1 && value <= kMaxPageLimit ? value : defaultValue;
}

// A process-wide text that any filter object on any thread may fill once it is known.
class SharedText {
public:
    CStdStr<wchar_t> Get() const
    {
        const std::lock_guard<std::mutex> lock(m_lock);
        return m_text;
    }
    // The first non-empty value wins; returns the value kept.
    CStdStr<wchar_t> SetIfEmpty(const CStdStr<wchar_t>& text)
    {
        const std::lock_guard<std::mutex> lock(m_lock);
        if (m_text.empty())
            m_text = text;
        return m_text;
    }

private:
    mutable std::mutex m_lock;
    CStdStr<wchar_t> m_text;
};

SharedText& ApplicationUrl()
{
    static SharedText url;
    return url;
}

SharedText& EnterpriseId()
{
    static SharedText id;
    return id;
}

CStdStr<wchar_t> ReadEmailTemplateName()
{
    CStdStr<wchar_t> name = LSSetting::GetInstance().GetUserString(kEmailTemplateSetting, L"");
    if (name.empty()) {
        LOG(ERROR) << LSDiag::LogText(kMissingEmailTemplateText) << "\n";
        throw Box_20::ApiException(kMissingEmailTemplateText);
    }
    return name;
}

} // namespace

std::pair<uint32_t, uint32_t> VESKBoxSyncFilterImpl::GetPagingLimits()
{
    return {ClampedLimit(kPagingLimitSetting, kDefaultPagingLimit),
            ClampedLimit(kIncrementalLimitSetting, kDefaultIncrementalLimit)};
}

uint32_t VESKBoxSyncFilterImpl::GetChildFolderBatchSize()
{
    return ClampedLimit(kChildFolderBatchSetting, kDefaultChildFolderBatch);
}

CStdStr<wchar_t> VESKBoxSyncFilterImpl::GetApplicationUrl()
{
    const CStdStr<wchar_t> known = ApplicationUrl().Get();
    if (!known.empty())
        return known;
    return ApplicationUrl().SetIfEmpty(
        LSSetting::GetInstance().GetUserString(kApplicationUrlSetting, kDefaultApplicationUrl));
}

// The network call runs without the lock: it pumps the caller's messages, and a message handled
// meanwhile may ask for the id again on this thread.
CStdStr<wchar_t> VESKBoxSyncFilterImpl::GetBoxUserId()
{
    const CStdStr<wchar_t> known = EnterpriseId().Get();
    if (!known.empty())
        return known;
    const Box_20::UserInfo user = Box_20::GetUserInfo(m_shutdownInformer.get());
    LSSetting::GetInstance().SaveUserString(kUserIdSetting, user.Id);
    return EnterpriseId().SetIfEmpty(user.EnterpriseId);
}

CStdStr<wchar_t> VESKBoxSyncFilterImpl::GetEmailMetadataTemplateName()
{
    // A throwing initialiser leaves the static uninitialised, so the next call reads again.
    static const CStdStr<wchar_t> name = ReadEmailTemplateName();
    return name;
}

CStdStr<wchar_t> VESKBoxSyncFilterImpl::GetFingerprintMetadataTemplateName()
{
    static const CStdStr<wchar_t> name = LSSetting::GetInstance().GetUserString(kFingerprintTemplateSetting, L"");
    return name;
}
