// The Box listing of the synchronised folder, and the ids the deletion check compares with.
#include "VESKBoxSyncFilterImpl.h"

#include "BoxExceptions.h"
#include "BoxFolderListing.h"
#include "BoxFolderOperations.h"
#include "BoxIds.h"
#include "ComDef.h"
#include "HResultException.h"
#include "LSDiag.h"
#include "LSHttpError.h"
#include "LSNamedProperties.h"
#include "LSSetting.h"
#include "StringUtils.h"

#include <algorithm>

namespace {

constexpr int kNothingListedMode = 3;
constexpr wchar_t kNotFoundCode[] = L"[Box Error Code]not_found";
constexpr HRESULT kFolderNotFound = static_cast<HRESULT>(0x80070003);
constexpr wchar_t kLimitToDaysSetting[] = L"BoxSync.LimitToDays";
constexpr wchar_t kCheckAllForDeletionSetting[] = L"BoxSync.CheckAllForDeletionEachSync";
constexpr wchar_t kPreviewToolbarSetting[] = L"VESK.ShowPreviewToolbarForBox";
constexpr wchar_t kCheckoutUserKey[] = L"ows-CheckoutUser";
constexpr wchar_t kReceivedDateKey[] = L"receivedDate";
constexpr wchar_t kExtensionKey[] = L"extension";
constexpr wchar_t kFormRegionSuffix[] = L".SharePoint.";
// The deletion check lists ids in the largest pages Box gives.
constexpr uint32_t kDeletionCheckPageLimit = 1000;

bool IsMainFolder(ILSPropertyMap* folderMap)
{
    LONG mainFolder = 0;
    return folderMap == nullptr ||
           (SUCCEEDED(folderMap->get_ItemNum(LSNamedProperties::QuentraMainFolder, &mainFolder)) && mainFolder == 1);
}

CStdStr<wchar_t> ExtensionAfterLastDot(const CStdStr<wchar_t>& name)
{
    const size_t dot = name.rfind(L'.');
    return dot == CStdStr<wchar_t>::npos ? CStdStr<wchar_t>() : CStdStr<wchar_t>(name.substr(dot + 1));
}

CStdStr<wchar_t> FormRegionClass(const CStdStr<wchar_t>& tail)
{
    return CStdStr<wchar_t>(static_cast<const wchar_t*>(LSMessageClasses::VESKDoc)) + kFormRegionSuffix + tail;
}

// A listed file's extension and form region class: with the preview toolbar, the extension after
// the name's leading dots, trimmed of dots, and the class of a ".doc" of it.
std::pair<CStdStr<wchar_t>, CStdStr<wchar_t>> ExtensionAndFormRegion(const CStdStr<wchar_t>& name, bool previewToolbar)
{
    if (!previewToolbar) {
        CStdStr<wchar_t> extension = ExtensionAfterLastDot(name);
        CStdStr<wchar_t> formRegion = FormRegionClass(extension);
        return {std::move(extension), std::move(formRegion)};
    }
    CStdStr<wchar_t> undotted = name;
    undotted.erase(0, undotted.find_first_not_of(L'.'));
    CStdStr<wchar_t> extension = GetFileExtension(undotted);
    extension.Trim(L".");
    CStdStr<wchar_t> formRegion = FormRegionClass(extension + L".doc");
    return {std::move(extension), std::move(formRegion)};
}

// Lists filled item by item grow to their size at once, not by doubling (a copy held twice).
template <typename... Lists> void ReserveFor(size_t size, Lists&... lists) { (lists.reserve(size), ...); }

} // namespace

void VESKBoxSyncFilterImpl::ClearBoxLists()
{
    // The framework's lists too: lists indexed alike must never be filled from different listings.
    ClearListing();
    m_readOnlyFolderIds.clear();
    m_serverItemIds.reset();
    m_remoteVersions.clear();
    m_listedFileExtras.clear();
    m_emailPropsByFileId.clear();
    // A fingerprint removed on Box must not outlive the listing that no longer shows it.
    m_fingerprintsByFileId.clear();
    m_serverItemIdsFailed = false;
    m_startFolderPermissionsKnown = false;
}

void VESKBoxSyncFilterImpl::ResetForStartPoint()
{
    ++m_listingGeneration;
    ClearBoxLists();
    m_resolvedRepositoryLocation.clear();
}

HRESULT VESKBoxSyncFilterImpl::GetContents(ILSPropertyMap* folderMap, int mode)
{
    const uint64_t generation = ++m_listingGeneration;
    ClearBoxLists();
    if (mode == kNothingListedMode) {
        LS_DIAG_LOG(1) << "Nothing to sync\n";
        return S_OK;
    }
    try {
        m_folderLocation.Trim(L"/");
        const CStdStr<wchar_t> folderId = m_folderLocation;
        const bool singleDocument = !m_filterPropertyValue.empty();
        if (!Box_20::IsBoxId(folderId) || (singleDocument && !Box_20::IsBoxId(m_filterPropertyValue))) {
            LOG(ERROR) << "VESKBoxSyncFilterImpl::GetContents: Box ids are decimal digits, not folder "
                       << LSDiag::LogText(folderId) << " / file " << LSDiag::LogText(m_filterPropertyValue);
            return E_INVALIDARG;
        }
        const CStdStr<wchar_t> enterpriseId = GetBoxUserId();
        const auto [pagingLimit, incrementalLimit] = GetPagingLimits();
        const Box_20::MetadataScopeRecord scope{enterpriseId, GetEmailMetadataTemplateName(),
                                                GetFingerprintMetadataTemplateName()};
        // Every request first, the lists filled after: the waits let the host call in again.
        CStdStr<wchar_t> changeToken = m_changeToken;
        Box_20::FolderListing listing =
            singleDocument ? Box_20::GetFolderSingleDocContents(folderMap, m_shutdownInformer.get(),
                                                                m_filterPropertyValue, scope)
                           : Box_20::GetFolderContents(folderMap, m_shutdownInformer.get(), folderId, pagingLimit,
                                                       incrementalLimit, changeToken, GetLimitToDaysStart(), scope);
        const bool mainFolder = IsMainFolder(folderMap);
        const bool readOnly = mainFolder && Box_20::GetFolderInfo(folderId, m_shutdownInformer.get()).IsReadOnly();
        if (generation != m_listingGeneration) {
            LOG(ERROR) << "VESKBoxSyncFilterImpl::GetContents: a newer start point or listing came first; "
                          "this listing of " << LSDiag::LogText(folderId) << " is dropped";
            return E_ABORT;
        }
        m_changeToken = changeToken;
        ProcessFileCollection(std::move(listing.Files));
        ProcessFolderCollection(std::move(listing.Folders));
        m_startFolderPermissionsKnown = mainFolder;
        if (readOnly)
            m_readOnlyFolderIds.push_back(folderId);
        return S_OK;
    } catch (const Box_20::ApiException& error) {
        if (error.GetText().find(kNotFoundCode) != CStdStr<wchar_t>::npos)
            return kFolderNotFound;
        LOG(ERROR) << " " << LSDiag::LogText(error.GetText()) << "\n";
        return E_FAIL;
    } catch (const LSHttpError& error) {
        LOG(ERROR) << " " << LSDiag::LogText(error.FormatMessage()) << "\n";
        return E_FAIL;
    } catch (...) {
        LSDiag::HandleInterfaceException("VESKBoxSyncFilterImpl::GetContents", __FILE__, __LINE__);
        return E_FAIL;
    }
}

void VESKBoxSyncFilterImpl::ProcessFileCollection(std::vector<Box_20::FileRecord>&& files)
{
    // Read once a listing: a registry read per file costs more than the rest of the listing.
    m_listedWithPreviewToolbar = LSSetting::GetInstance().GetUserDword(kPreviewToolbarSetting, 0) != 0;
    ReserveFor(m_itemNames.size() + files.size(), m_itemNames, m_itemIds, m_remoteVersions, m_listedFileExtras);
    for (Box_20::FileRecord& file : files) {
        const size_t index = m_itemNames.size();
        m_remoteVersions.push_back(static_cast<int32_t>(file.VersionNumber));
        // A file whose time Box did not give has an unknown date, not the epoch.
        m_lastModifiedCache[static_cast<uint32_t>(index)] =
            file.ModifiedDateText.empty() ? kUnknownRemoteDate : file.ModifiedDate;
        m_etags[static_cast<uint32_t>(index)] = std::move(file.ETag);
        if (!file.Fingerprint.empty())
            m_fingerprintsByFileId[file.Id] = std::move(file.Fingerprint);
        if (file.EmailProps)
            m_emailPropsByFileId[file.Id] = std::move(file.EmailProps);
        m_listedFileExtras.push_back(
            {file.Lock ? file.Lock->CreatedBy.Login : CStdStr<wchar_t>(), std::move(file.ModifiedDateText)});
        if (m_listedWithPreviewToolbar)
            LS_DIAG_LOG(1) << "VESKBoxSyncFilterImpl::ProcessFileCollection" << "Synced item has form region class"
                           << LSDiag::LogText(ExtensionAndFormRegion(file.Name, true).second);
        m_itemNames.push_back(std::move(file.Name));
        m_itemIds.push_back(std::move(file.Id));
        file = Box_20::FileRecord();
    }
}

const VESKBoxSyncFilterImpl::ListedFileExtras* VESKBoxSyncFilterImpl::ListedFileExtrasAt(size_t index) const
{
    return index < m_listedFileExtras.size() && index < m_itemNames.size() ? &m_listedFileExtras[index] : nullptr;
}

std::optional<LSBaseFileSyncFilter::PropertyPairs> VESKBoxSyncFilterImpl::ServerItemExtraProperties(size_t index) const
{
    const ListedFileExtras* found = ListedFileExtrasAt(index);
    if (found == nullptr)
        return LSBaseFileSyncFilter::ServerItemExtraProperties(index);
    const ListedFileExtras& listed = *found;
    auto [extension, formRegion] = ExtensionAndFormRegion(m_itemNames[index], m_listedWithPreviewToolbar);
    PropertyPairs extra{{kCheckoutUserKey, listed.CheckoutUser},
                        {kExtensionKey, std::move(extension)},
                        {static_cast<const wchar_t*>(LSNamedProperties::QuentraFormRegionClass), std::move(formRegion)}};
    if (!listed.ReceivedDate.empty())
        extra.emplace(kReceivedDateKey, listed.ReceivedDate);
    return extra;
}

void VESKBoxSyncFilterImpl::ProcessFolderCollection(std::vector<Box_20::FolderRecord>&& folders)
{
    ReserveFor(m_subFolderIds.size() + folders.size(), m_subFolderIds, m_subFolderNames);
    for (Box_20::FolderRecord& folder : folders) {
        if (folder.IsReadOnly())
            m_readOnlyFolderIds.push_back(folder.Id);
        m_subFolderIds.push_back(std::move(folder.Id));
        m_subFolderNames.push_back(std::move(folder.Name));
    }
}

Box_20::OptionalDate VESKBoxSyncFilterImpl::GetLimitToDaysStart()
{
    const DWORD days = LSSetting::GetInstance().GetUserDword(kLimitToDaysSetting, 0);
    if (days == 0)
        return {};
    SYSTEMTIME now{};
    ::GetLocalTime(&now);
    DATE today = 0;
    ::SystemTimeToVariantTime(&now, &today);
    return {today - static_cast<DATE>(days), true};
}

// Both the host's server-item list and the deletion check decide what is gone from it, so it is
// never limited by date and never taken from a listing Box broke off (which throws instead).
const LSBaseFileSyncFilter::StringList* VESKBoxSyncFilterImpl::ServerItemIds()
{
    if (!m_serverItemIds) {
        m_folderLocation.Trim(L"/");
        if (!Box_20::IsBoxId(m_folderLocation))
            throw hresult_exception(E_INVALIDARG, "VESKBoxSyncFilterImpl: the folder location is no Box id");
        const uint64_t generation = m_listingGeneration;
        StringList ids = Box_20::GetFolderContentIds(m_shutdownInformer.get(), m_folderLocation,
                                                     Box_20::OptionalDate{}, kDeletionCheckPageLimit);
        if (generation != m_listingGeneration)
            return nullptr;
        m_serverItemIds = std::move(ids);
    }
    return &*m_serverItemIds;
}

HRESULT VESKBoxSyncFilterImpl::LoadServerItems(long* count)
{
    if (count == nullptr)
        return E_POINTER;
    *count = 0;
    m_serverItemIds.reset();
    const StringList* ids = ServerItemIds();
    if (ids == nullptr)
        return E_ABORT;
    *count = static_cast<long>(ids->size());
    return S_OK;
}

HRESULT VESKBoxSyncFilterImpl::GetServerItemId(unsigned long index, CStdStr<wchar_t>& id)
{
    if (!m_serverItemIds || index >= m_serverItemIds->size())
        return E_INVALIDARG;
    id = (*m_serverItemIds)[index];
    return S_OK;
}

// S_OK only on a complete listing that lacks the id: the host removes the Outlook item then.
HRESULT VESKBoxSyncFilterImpl::CheckForDeletedItems(const CStdStr<wchar_t>& itemId, long)
{
    static const bool checkAll = LSSetting::GetInstance().GetUserDword(kCheckAllForDeletionSetting, 0) != 0;
    if (!checkAll || m_serverItemIdsFailed)
        return S_FALSE;
    try {
        // Ids listed for a folder that is no longer this object's say nothing about its items.
        const StringList* ids = ServerItemIds();
        if (ids == nullptr || std::find(ids->begin(), ids->end(), itemId) != ids->end())
            return S_FALSE;
    } catch (...) {
        m_serverItemIdsFailed = true;
        LSDiag::HandleInterfaceException("VESKBoxSyncFilterImpl::CheckForDeletedItems", __FILE__, __LINE__);
        LOG(ERROR) << "VESKBoxSyncFilterImpl::CheckForDeletedItems: the folder's items could not all be listed; "
                      "every item counts as present";
        return S_FALSE;
    }
    LS_DIAG_LOG(1) << "Item with ID no longer exists on the Box repository: " << LSDiag::LogText(itemId) << "\n";
    return S_OK;
}
