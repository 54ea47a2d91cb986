// The remaining Box storage operations: constants, look-ups into the listing, web links,
// permissions and the start point given as a Box web address.
#include "VESKBoxSyncFilterImpl.h"

#include "BoxExceptions.h"
#include "BoxFolderOperations.h"
#include "BoxFolderSelection.h"
#include "BoxIds.h"
#include "HResultException.h"
#include "LSDiag.h"
#include "LSHttpError.h"
#include "LSNamedProperties.h"
#include "LSPropertyHelpers.h"
#include "LSSetting.h"

#include <algorithm>
#include <atomic>

namespace {

constexpr wchar_t kFullRightsMask[] = L"0x7FFFFFFFFFFFFFFF";
constexpr wchar_t kReadOnlyMask[] = L"0x0000000000000001";
constexpr wchar_t kSingleFileFilterName[] = L"FileId";
constexpr wchar_t kCheckoutUserKey[] = L"ows-CheckoutUser";
const _bstr_t kCheckoutUserProperty{kCheckoutUserKey};

bool IsDecimalId(const CStdStr<wchar_t>& id)
{
    return !id.empty() && id.find_first_not_of(L"0123456789") == CStdStr<wchar_t>::npos;
}

// Indexes come from the host; one beyond the listing is refused, never read.
template <class List>
const typename List::value_type& EntryAt(const List& list, size_t index, const char* what)
{
    if (index >= list.size())
        throw hresult_exception(E_INVALIDARG, std::string(what) + ": index " + std::to_string(index) +
                                                  " beyond the listing");
    return list[index];
}

// The web link of a listed item, made when asked: kept for every item of a large folder, the links
// would cost more than the ids they are made from.
HRESULT ListedUrl(const std::vector<CStdStr<wchar_t>>& ids, int index, const wchar_t* path, CStdStr<wchar_t>& url)
{
    if (static_cast<size_t>(index) >= ids.size()) {
        LOG(ERROR) << ": Invalid ItemIndex: " << index << "\n";
        return E_INVALIDARG;
    }
    url = VESKBoxSyncFilterImpl::GetApplicationUrl() + path + ids[static_cast<size_t>(index)];
    return S_OK;
}

} // namespace

HRESULT VESKBoxSyncFilterImpl::PrepareSyncStartPoint(CStdStr<wchar_t>&, CStdStr<wchar_t>&) { return S_OK; }

// Box dates arrive as OLE dates with the listing; there is no date text to parse.
bool VESKBoxSyncFilterImpl::ParseRemoteDateTime(const CStdStr<wchar_t>&, SYSTEMTIME&) { return false; }

HRESULT VESKBoxSyncFilterImpl::isItemReadOnly(const CStdStr<wchar_t>& key, bool& readOnly,
                                              CStdStr<wchar_t>& permissionMask)
{
    readOnly = std::find(m_readOnlyFolderIds.begin(), m_readOnlyFolderIds.end(), key) != m_readOnlyFolderIds.end();
    // The main folder's properties may come before any listing of it: writable is never assumed.
    if (!readOnly && key == m_folderLocation && !m_startFolderPermissionsKnown) {
        try {
            readOnly = IsStartFolderReadOnly(key);
        } catch (const Box_20::ApiException& error) {
            LOG(ERROR) << " " << LSDiag::LogText(error.GetText()) << "\n";
            return E_FAIL;
        } catch (const LSHttpError& error) {
            LOG(ERROR) << " " << LSDiag::LogText(error.FormatMessage()) << "\n";
            return E_FAIL;
        }
    }
    permissionMask = readOnly ? kReadOnlyMask : kFullRightsMask;
    return S_OK;
}

bool VESKBoxSyncFilterImpl::IsStartFolderReadOnly(const CStdStr<wchar_t>& folderId)
{
    if (!Box_20::IsBoxId(folderId))
        throw hresult_exception(E_INVALIDARG, "VESKBoxSyncFilterImpl: the folder location is no Box id");
    const uint64_t generation = m_listingGeneration;
    const bool readOnly = Box_20::GetFolderInfo(folderId, m_shutdownInformer.get()).IsReadOnly();
    if (generation == m_listingGeneration) {
        m_startFolderPermissionsKnown = true;
        if (readOnly)
            m_readOnlyFolderIds.push_back(folderId);
    }
    return readOnly;
}

HRESULT VESKBoxSyncFilterImpl::FindFileInFileList(const CStdStr<wchar_t>& fileName, CStdStr<wchar_t>& remoteName)
{
    const auto found = std::find(m_itemNames.begin(), m_itemNames.end(), fileName);
    if (found == m_itemNames.end()) {
        LOG(ERROR) << ":Unable to locate file in filelist:" << LSDiag::LogText(fileName) << "\n";
        return E_FAIL;
    }
    remoteName = GetRemoteItemId(static_cast<unsigned>(found - m_itemNames.begin()));
    return S_OK;
}

CStdStr<wchar_t> VESKBoxSyncFilterImpl::GetRemoteItemId(unsigned index) const
{
    return EntryAt(m_itemIds, index, "VESKBoxSyncFilterImpl::GetRemoteItemId");
}

int VESKBoxSyncFilterImpl::GetRemoteVersion(unsigned index) const
{
    return EntryAt(m_remoteVersions, index, "VESKBoxSyncFilterImpl::GetRemoteVersion");
}

CStdStr<wchar_t> VESKBoxSyncFilterImpl::GetSubFolderKey(unsigned index) const
{
    return EntryAt(m_subFolderIds, index, "VESKBoxSyncFilterImpl::GetSubFolderKey");
}

HRESULT VESKBoxSyncFilterImpl::SetFilterSubFolderProperties(unsigned short index, ILSPropertyMap* folder)
{
    const CStdStr<wchar_t>& id = EntryAt(m_subFolderIds, index, "VESKBoxSyncFilterImpl::SetFilterSubFolderProperties");
    const HRESULT hr = folder->put_ItemStr(LSNamedProperties::QuentraFromServerShortItemId, _bstr_t(id.c_str()));
    if (FAILED(hr)) {
        LOG(ERROR) << ": put_ItemStr for QuentraFromServerShortItemId failed " << std::hex
                   << static_cast<unsigned long>(hr) << "\n";
        throw hr;
    }
    return S_OK;
}

CStdStr<wchar_t> VESKBoxSyncFilterImpl::GetPathSeparator() const { return L"/"; }

HRESULT VESKBoxSyncFilterImpl::OnEndSync() { return S_OK; }

// The settings key's own default value switches the once-per-process answer on.
HRESULT VESKBoxSyncFilterImpl::OnStartSync()
{
    static std::atomic<bool> answered{false};
    if (LSSetting::GetInstance().GetUserDword(L"", 0) != 0 && !answered.exchange(true))
        return S_OK;
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE VESKBoxSyncFilterImpl::raw_SetSyncStartPointByString(BSTR startPoint, BSTR* errorText)
{
    ResetForStartPoint();
    return LSBaseFileSyncFilter::raw_SetSyncStartPointByString(startPoint, errorText);
}

HRESULT STDMETHODCALLTYPE VESKBoxSyncFilterImpl::raw_SetSyncStartPoint(ILSPropertyMap* folderMap,
                                                                       VARIANT_BOOL skipListing,
                                                                       VARIANT_BOOL modeFlag1, VARIANT_BOOL modeFlag2,
                                                                       long startPointNumber, VARIANT_BOOL lastFlag)
{
    ResetForStartPoint();
    const HRESULT hr = LSBaseFileSyncFilter::raw_SetSyncStartPoint(folderMap, skipListing, modeFlag1, modeFlag2,
                                                                   startPointNumber, lastFlag);
    // Box ids have no slashes; the main folder's properties and new sub-folders take this one.
    m_folderLocation.Trim(L"/");
    return hr;
}

HRESULT VESKBoxSyncFilterImpl::ResolveFolderFromUrl(CStdStr<wchar_t>& startPoint)
{
    try {
        const CStdStr<wchar_t> given = startPoint;
        while (!startPoint.empty() && startPoint.back() == L'/')
            startPoint.pop_back();
        const Box_20::BoxFolderReference reference = Box_20::GetIdFromBoxUrl(GetApplicationUrl(), startPoint);
        // Only decimal ids may reach a request address.
        if (!IsDecimalId(reference.FolderId) || !(reference.FileId.empty() || IsDecimalId(reference.FileId))) {
            LOG(ERROR) << "Invalid Url " << LSDiag::LogText(given) << "\n";
            return E_INVALIDARG;
        }
        const uint64_t number = NewestStartPoint();
        const bool exists = Box_20::VerifyFolder(reference.FolderId, m_shutdownInformer.get());
        if (IsOvertaken(number)) {
            LOG(ERROR) << "A newer start point came first; the address " << LSDiag::LogText(given) << " is dropped";
            return E_ABORT;
        }
        if (!exists) {
            LOG(ERROR) << "Folder " << LSDiag::LogText(reference.FolderId) << " does not exist" << "\n";
            return E_INVALIDARG;
        }
        startPoint = reference.FolderId;
        if (!reference.FileId.empty()) {
            m_filterPropertyName = kSingleFileFilterName;
            m_filterPropertyValue = reference.FileId;
            m_resolvedRepositoryLocation = given;
        }
        return S_OK;
    } catch (const Box_20::ApiException& error) {
        LOG(ERROR) << LSDiag::LogText(error.GetText()) << "\n";
        return E_INVALIDARG;
    }
}

HRESULT VESKBoxSyncFilterImpl::GetFolderUrl(const CStdStr<wchar_t>& remoteName, CStdStr<wchar_t>& url, int index)
{
    url.clear();
    if (index == -1)
        url = GetApplicationUrl() + L"/folder/" + remoteName;
    return index < 0 ? S_OK : ListedUrl(m_subFolderIds, index, L"/folder/", url);
}

HRESULT VESKBoxSyncFilterImpl::GetFileUrl(const CStdStr<wchar_t>&, CStdStr<wchar_t>& url, int index)
{
    url.clear();
    return index < 0 ? S_OK : ListedUrl(m_itemIds, index, L"/file/", url);
}

// Box files are known by id, and their ETags identify content.
bool VESKBoxSyncFilterImpl::UsesFileIdKey() const { return true; }

bool VESKBoxSyncFilterImpl::UsesRemoteETag() const { return true; }

// A Box start point is listed by the next folder update anyway.
bool VESKBoxSyncFilterImpl::CanSkipStartPointListing(ILSPropertyMap*) const { return true; }

// A change test: another user's lock (or its release) changes the item.
bool VESKBoxSyncFilterImpl::SetCheckoutUserProperty(unsigned short index, ILSPropertyMap* item)
{
    const ListedFileExtras* listed = ListedFileExtrasAt(index);
    return LSPropertyHelpers::getProp(item, kCheckoutUserProperty, L"") !=
           (listed != nullptr ? listed->CheckoutUser : CStdStr<wchar_t>());
}

CStdStr<wchar_t> VESKBoxSyncFilterImpl::GetKeyPropertyName() const
{
    return static_cast<const wchar_t*>(LSNamedProperties::QuentraFromServerFileId);
}
