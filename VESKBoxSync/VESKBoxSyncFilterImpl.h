// The Box repository class: the framework's storage operations for Box, and the six further host
// interfaces of the Box filter. The COM class that the host creates derives from it and supplies
// IUnknown and IDispatch.
#pragma once

#include "BoxListingRecords.h"
#include "BoxRecords.h"
#include "BoxUploadRecords.h"
#include "ComPtr.h"
#include "LSBaseFileSyncFilter.h"
#include "LSBoxOnlineSearchPageResults.h"
#include "LSCancellableWait.h"
#include "StdString.h"
#include "VESKSyncBasicsLib.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <regex>
#include <utility>
#include <vector>

class VESKBoxSyncFilterImpl : public LSBaseFileSyncFilter,
                              public ILSQueryRepository,
                              public ILSLockingSyncFilter,
                              public ILSOnlineCheck,
                              public ILSNeedsExtensionsCalls,
                              public ILSQueryRepositoryChildFolders,
                              public ILSQueryOnlinePageResults {
public:
    // ---- Overrides of host methods of the framework ----------------------------------------
    // Each start point begins from clean Box state, and a map's location loses its slashes.
    HRESULT STDMETHODCALLTYPE raw_SetSyncStartPointByString(BSTR startPoint, BSTR* errorText) override;
    HRESULT STDMETHODCALLTYPE raw_SetSyncStartPoint(ILSPropertyMap* folderMap, VARIANT_BOOL skipListing,
                                                    VARIANT_BOOL modeFlag1, VARIANT_BOOL modeFlag2,
                                                    long startPointNumber, VARIANT_BOOL lastFlag) override;
    HRESULT STDMETHODCALLTYPE raw_ResetChangeCache() override;
    HRESULT STDMETHODCALLTYPE raw_SetMainFolderProperties(ILSPropertyMap* folderMap) override;

    // ---- ILSQueryRepository ----------------------------------------------------------------
    HRESULT STDMETHODCALLTYPE raw_SupportsQuery(VARIANT_BOOL* supported) override;
    HRESULT STDMETHODCALLTYPE raw_GetScopeParameterPrompt(BSTR* prompt) override;
    HRESULT STDMETHODCALLTYPE raw_ResolveScopeParameter(BSTR text, BSTR* resolved) override;
    HRESULT STDMETHODCALLTYPE raw_RunQuery(long maximumCount, BSTR scope, BSTR queryText, long reserved1,
                                           long reserved2, BSTR* results) override;
    HRESULT STDMETHODCALLTYPE raw_ResolveQueryResult(BSTR text, BSTR* resolved) override;
    HRESULT STDMETHODCALLTYPE raw_UnimplementedQueryMethod(long first, long second) override;

    // ---- ILSLockingSyncFilter --------------------------------------------------------------
    HRESULT STDMETHODCALLTYPE raw_Checkout(ILSPropertyMap* document) override;
    HRESULT STDMETHODCALLTYPE raw_UnimplementedLockingMethod(long first) override;
    HRESULT STDMETHODCALLTYPE raw_IsCheckedOut(ILSPropertyMap* document, unsigned char* checkedOut) override;
    HRESULT STDMETHODCALLTYPE raw_CancelCheckout(ILSPropertyMap* document) override;

    // ---- ILSOnlineCheck --------------------------------------------------------------------
    HRESULT STDMETHODCALLTYPE raw_HasChangesOnline(ILSPropertyMap* topFolder, ILSPropertyMap* document, long* changes,
                                                   ILSShutdownInformer* informer, long reserved) override;
    HRESULT STDMETHODCALLTYPE raw_HasDuplicateOnline(long reserved, ILSPropertyMap* folder, BSTR contentHash,
                                                     BSTR* duplicateId, long* found,
                                                     ILSShutdownInformer* informer) override;

    // ---- ILSNeedsExtensionsCalls -----------------------------------------------------------
    HRESULT STDMETHODCALLTYPE get_ExtensionsCallback(IUnknown** callback) override;
    HRESULT STDMETHODCALLTYPE put_ExtensionsCallback(IUnknown* callback) override;

    // ---- ILSQueryRepositoryChildFolders ----------------------------------------------------
    HRESULT STDMETHODCALLTYPE raw_GetOnlineChildFolders(BSTR parentFilterString, long reserved,
                                                        BSTR* children) override;

    // ---- ILSQueryOnlinePageResults ---------------------------------------------------------
    HRESULT STDMETHODCALLTYPE raw_SetRootLocation(BSTR location) override;
    HRESULT STDMETHODCALLTYPE raw_SetSort(VARIANT_BOOL direction, long column) override;
    HRESULT STDMETHODCALLTYPE raw_SetSearchText(BSTR text) override;
    HRESULT STDMETHODCALLTYPE raw_SetRestrictSearchText(BSTR text) override;
    HRESULT STDMETHODCALLTYPE raw_SetQueryMatches(VARIANT standardMatches, VARIANT customMatches) override;
    HRESULT STDMETHODCALLTYPE raw_GetOnlineResultsSize(long* count) override;
    HRESULT STDMETHODCALLTYPE raw_GetOnlinePage(long start, long count, VARIANT* page) override;
    HRESULT STDMETHODCALLTYPE raw_GetResultInfo(VARIANT entryId, BSTR* fileUrl, BSTR* folderUrl,
                                                VARIANT_BOOL* isMessage, BSTR* fileName, BSTR* filterText,
                                                long* fileSize) override;
    HRESULT STDMETHODCALLTYPE raw_GetPreviewUrl(VARIANT entryId, BSTR* previewUrl) override;
    HRESULT STDMETHODCALLTYPE raw_DownloadFileContents(BSTR fileIdOrUrl, BSTR localPath) override;

    // ---- Storage operations for Box (slot order of the framework) --------------------------
    ~VESKBoxSyncFilterImpl() override;
    CStdStr<wchar_t> GetRepositoryName() const override;
    CStdStr<wchar_t> GetSettingsPrefix() const override;
    HRESULT PrepareSyncStartPoint(CStdStr<wchar_t>& startPoint, CStdStr<wchar_t>& errorText) override;
    HRESULT FileExistsRemote(const CStdStr<wchar_t>& name, bool& exists, bool nameIsDocumentName) override;
    HRESULT RemoteNameExists(const CStdStr<wchar_t>& name, bool& exists) override;
    bool ParseRemoteDateTime(const CStdStr<wchar_t>& dateText, SYSTEMTIME& time) override;
    HRESULT CopyFileRemote(const CStdStr<wchar_t>& localPath, const CStdStr<wchar_t>& documentName,
                           ILSPropertyMap* item, bool existsRemotely, CStdStr<wchar_t>& remoteName) override;
    HRESULT RenameRemoteFile(CStdStr<wchar_t>& remoteName, const CStdStr<wchar_t>& newName) override;
    HRESULT RenameRemoteFolder(CStdStr<wchar_t>& location, const CStdStr<wchar_t>& newName,
                               ILSPropertyMap* syncFolder) override;
    HRESULT CopyFileToLocal(const CStdStr<wchar_t>& remoteName, const CStdStr<wchar_t>& localPath,
                            ILSPropertyMap* item, const CStdStr<wchar_t>& extra) override;
    HRESULT GetContents(ILSPropertyMap* folderMap, int mode) override;
    HRESULT GetRemoteETag(const CStdStr<wchar_t>& remoteName, CStdStr<wchar_t>& etag) override;
    HRESULT isItemReadOnly(const CStdStr<wchar_t>& key, bool& readOnly, CStdStr<wchar_t>& permissionMask) override;
    HRESULT CheckForDeletedItems(const CStdStr<wchar_t>& itemId, long flag) override;
    HRESULT CreateDirectoryRemote(long reserved, const CStdStr<wchar_t>& parentLocation, const CStdStr<wchar_t>& name,
                                  ILSPropertyMap* newFolder, CStdStr<wchar_t>& newLocation) override;
    HRESULT DeleteFileRemote(const CStdStr<wchar_t>& remoteName, CStdStr<wchar_t>& errorText) override;
    HRESULT FindFileInFileList(const CStdStr<wchar_t>& fileName, CStdStr<wchar_t>& remoteName) override;
    CStdStr<wchar_t> GetRemoteItemId(unsigned index) const override;
    int GetRemoteVersion(unsigned index) const override;
    CStdStr<wchar_t> GetSubFolderKey(unsigned index) const override;
    HRESULT SetFilterSubFolderProperties(unsigned short index, ILSPropertyMap* folder) override;
    CStdStr<wchar_t> GetPathSeparator() const override;
    HRESULT OnEndSync() override;
    HRESULT OnStartSync() override;
    HRESULT ResolveFolderFromUrl(CStdStr<wchar_t>& startPoint) override;
    HRESULT GetFolderUrl(const CStdStr<wchar_t>& remoteName, CStdStr<wchar_t>& url, int index) override;
    HRESULT GetFileUrl(const CStdStr<wchar_t>& remoteName, CStdStr<wchar_t>& url, int index) override;
    bool UsesFileIdKey() const override;
    HRESULT DeleteFolderRemote(ILSPropertyMap* item, CStdStr<wchar_t>& errorText) override;
    bool CanSkipStartPointListing(ILSPropertyMap* folderMap) const override;
    bool SetCheckoutUserProperty(unsigned short index, ILSPropertyMap* item) override;
    bool SetHeaderMapiProperties(const CStdStr<wchar_t>& remoteId, ILSPropertyMap* item) override;
    bool UsesRemoteETag() const override;
    HRESULT StoreChangeToken(ILSPropertyMap* folderMap) override;
    bool HasChangeToken() const override;
    HRESULT LoadServerItems(long* count) override;
    HRESULT GetServerItemId(unsigned long index, CStdStr<wchar_t>& id) override;
    CStdStr<wchar_t> GetKeyPropertyName() const override;

    // Appended to the primary table after the framework's operations. lockState: -1 locked, 0 not.
    virtual HRESULT STDMETHODCALLTYPE get_IsCheckedOut(ILSPropertyMap* document, long* lockState);

    // ---- Settings shared by the Box operations ---------------------------------------------
    // {paging limit, incremental limit}, each 1 to 1000, read at every call.
    static std::pair<uint32_t, uint32_t> GetPagingLimits();
    // "BoxSync.ChildFolderBatchSize", 1 to 1000 (default 50), read at every call.
    static uint32_t GetChildFolderBatchSize();
    // The Box web application's base address, kept for the process once read.
    static CStdStr<wchar_t> GetApplicationUrl();
    // The signed-in user's enterprise id, fetched from Box until one is known in the process.
    CStdStr<wchar_t> GetBoxUserId();
    // "BoxSync.EmailMetaDataTemplateName"; throws Box_20::ApiException while it is unset.
    static CStdStr<wchar_t> GetEmailMetadataTemplateName();
    // "BoxSync.FingerprintMetaDataTemplateName"; may be empty.
    static CStdStr<wchar_t> GetFingerprintMetadataTemplateName();

    // ---- Browsing and searching for folders to add --------------------------------------------
    // One filter string a folder, in order: its name, web address and path, repository "Box".
    std::vector<CStdStr<wchar_t>> FolderRecordsToFilterStrings(const std::vector<Box_20::FolderRecord>& folders) const;
    // The folder exclusions of "BoxSync.ExcludeFolderRegEx" (case-insensitive, one a line or
    // separated by the two characters "\n"). Throws std::regex_error for an invalid one.
    std::vector<std::wregex> GetExcludeFolderRegex();
    // The listed name of the file with that id; empty when the listing has none.
    CStdStr<wchar_t> GetFileNameForId(const CStdStr<wchar_t>& fileId) const;

    // ---- Uploads ---------------------------------------------------------------------------
    // The record of a local file to upload as name (the part after a last backslash) into the
    // parent folder: size, content type, enterprise, e-mail template and, for a mail file, the
    // item's e-mail properties. The uploads read the file's bytes themselves.
    Box_20::UploadFileRecord BuildEmailMetadata(const CStdStr<wchar_t>& localPath, const CStdStr<wchar_t>& name,
                                                ILSPropertyMap* item, bool newVersion,
                                                const CStdStr<wchar_t>& parentFolderId);
    // The local file's size; a file that cannot be found throws hresult_exception.
    static uint64_t ReadLocalFileChunk(const CStdStr<wchar_t>& localPath, const CStdStr<wchar_t>& name);
    // The e-mail properties of an Outlook item; a null map throws the bare HRESULT E_INVALIDARG.
    static std::shared_ptr<Box_20::EMailCustomPropsRec> GetEMailCustomPropsFromItem(ILSPropertyMap* item);
    // Records Box's reason for a refused upload as the item's sync issue.
    static void MapUploadError(const CStdStr<wchar_t>& text, ILSPropertyMap* item);
    // A name Box takes: printable, 1 to 255 characters, not "." or "..", no leading blank.
    static bool IsValidRemoteName(const CStdStr<wchar_t>& name);

    // The id of a file under the folder whose stored fingerprint is the hash, else empty.
    CStdStr<wchar_t> SearchDuplicateOnline(const CStdStr<wchar_t>& contentHash, ILSShutdownInformer* informer,
                                           const CStdStr<wchar_t>& folderLocation,
                                           const Box_20::MetadataScopeRecord& scope);

    VESKBoxSyncFilterImpl(const VESKBoxSyncFilterImpl&) = delete;
    VESKBoxSyncFilterImpl& operator=(const VESKBoxSyncFilterImpl&) = delete;

protected:
    // Throws what the settings store and the token cache throw.
    VESKBoxSyncFilterImpl();

    // A listed file's further values are made from these and its name when asked.
    struct ListedFileExtras {
        CStdStr<wchar_t> CheckoutUser;
        // As Box wrote it; empty when Box gave none.
        CStdStr<wchar_t> ReceivedDate;
    };
    std::optional<PropertyPairs> ServerItemExtraProperties(size_t index) const override;
    // Null past the listing's files (also once the framework has emptied its lists).
    const ListedFileExtras* ListedFileExtrasAt(size_t index) const;

    // The listing's versions and further values, index by index as the base lists, and its metadata.
    std::vector<int32_t> m_remoteVersions;
    std::vector<ListedFileExtras> m_listedFileExtras;
    // Read once a listing, as the listing's form region classes were made with it.
    bool m_listedWithPreviewToolbar = false;
    // Listed folders on which the user may neither delete nor upload.
    StringList m_readOnlyFolderIds;
    std::map<CStdStr<wchar_t>, std::shared_ptr<Box_20::EMailCustomPropsRec>> m_emailPropsByFileId;
    std::map<CStdStr<wchar_t>, CStdStr<wchar_t>> m_fingerprintsByFileId;
    TalvernCommon::com_ptr<IUnknown> m_extensionsCallback;
    CStdStr<wchar_t> m_changeToken;
    LSBoxOnlineSearchPageResults m_searchPager;
    // The web link a start point was resolved from, when it named one document.
    CStdStr<wchar_t> m_resolvedRepositoryLocation;
    // The ids of all items of the folder, once loaded after a listing.
    std::optional<StringList> m_serverItemIds;

private:
    void SeedTokenCacheFromSettings();
    // The download with its renewals of an expired token and its waits while Box prepares the
    // content; returns the path written.
    CStdStr<wchar_t> DownloadWithTokenRetries(const CStdStr<wchar_t>& remoteName, const CStdStr<wchar_t>& url,
                                              const CStdStr<wchar_t>& localPath, const CStdStr<wchar_t>& extra);
    // The operation's result, run again while Box answers 202 (it still prepares the content):
    // after Box's Retry-After (bounded), three times at most, with the host's messages dispatched.
    // Throws E_ABORT when the informer asks to stop during a wait, else what the operation throws.
    static CStdStr<wchar_t> RetryWhileContentNotReady(const std::function<CStdStr<wchar_t>()>& operation,
                                                      ILSShutdownInformer* informer);

    // The listing's steps: every listing starts from empty lists, the framework's included.
    void ClearBoxLists();
    // Forgets what the previous start point left: the lists, the ids, a single document's address.
    void ResetForStartPoint();
    // Both take the records' texts over rather than copy them: a large folder's lists would be
    // held twice.
    void ProcessFileCollection(std::vector<Box_20::FileRecord>&& files);
    void ProcessFolderCollection(std::vector<Box_20::FolderRecord>&& folders);
    // "BoxSync.LimitToDays" days before now (local time); not valid when the setting is 0.
    static Box_20::OptionalDate GetLimitToDaysStart();
    // The ids of all the folder's items, listed completely and without a date limit; null when a
    // start point or listing during the wait made them no longer this object's to keep.
    const StringList* ServerItemIds();
    // The start folder's own permissions, asked of Box when no listing has told them.
    bool IsStartFolderReadOnly(const CStdStr<wchar_t>& folderId);

    // Bumped by every start point and listing: a reply that arrives (window messages being
    // dispatched meanwhile) after it changed was asked for a state that is gone and is not stored.
    uint64_t m_listingGeneration = 0;
    // Set once a listing or a folder request told whether the start folder is read-only.
    bool m_startFolderPermissionsKnown = false;

    // Set when the deletion check's listing failed since the last folder listing: until the next
    // listing every item counts as present, without asking Box again for each.
    bool m_serverItemIdsFailed = false;

    // The Location header of Box's answer to the file's content request; LSHttpError 202 while
    // the content is not ready. signInOpen: as GetCachedTokens takes it.
    CStdStr<wchar_t> DownloadWithBearerToken(const CStdStr<wchar_t>& contentUrl, const LSProgressNote& signInOpen);

    // The exclusion setting's text once this object read a non-empty one.
    CStdStr<wchar_t> m_excludeFolderRegexText;
};
