// The generic sync filter of a file-based repository: it answers the host's six sync-filter
// interfaces over the storage operations that a repository class supplies.
//
// IUnknown and IDispatch are left to the COM class that derives from the repository class. The
// host calls through the interface tables, so their slot order is fixed by the type library; this
// class's own virtual operations come after the host methods of the primary base and a repository
// class may append more after them.
#pragma once

#include "ComPtr.h"
#include "StdString.h"
#include "VESKSyncBasicsLib.h"

#include <windows.h>
#include <oleauto.h>

#include <cstdint>
#include <map>
#include <optional>
#include <regex>
#include <utility>
#include <vector>

class LSBaseFileSyncFilter : public ILSSyncFilter2,
                             public ILSManualDeletionsSyncFilter,
                             public ILSNeedsShutdownInfo,
                             public ILSDeleteableSyncFilter,
                             public ILSCreateableFolderSyncFilter,
                             public ILSHeaderOnlySync {
public:
    // ---- ILSSyncFilter / ILSSyncFilter2 ----------------------------------------------------
    HRESULT STDMETHODCALLTYPE raw_SetSyncStartPointByString(BSTR startPoint, BSTR* errorText) override;
    HRESULT STDMETHODCALLTYPE raw_SetSyncStartPoint(ILSPropertyMap* folderMap, VARIANT_BOOL skipListing,
                                                    VARIANT_BOOL modeFlag1, VARIANT_BOOL modeFlag2,
                                                    long startPointNumber, VARIANT_BOOL lastFlag) override;
    HRESULT STDMETHODCALLTYPE raw_AddNewDocument(BSTR localPath, BSTR documentName, long reserved,
                                                 ILSPropertyMap* item) override;
    HRESULT STDMETHODCALLTYPE raw_UpdateDocument(BSTR localPath, BSTR documentName, long reserved,
                                                 ILSPropertyMap* item) override;
    HRESULT STDMETHODCALLTYPE GetServerItemNameCount(unsigned short* count) override;
    HRESULT STDMETHODCALLTYPE raw_GetItemBasicProps(unsigned short index, ILSPropertyMap* item) override;
    HRESULT STDMETHODCALLTYPE raw_RetrieveItemToPath(unsigned short index, BSTR localPath, BSTR* fileName,
                                                     ILSPropertyMap* item, VARIANT_BOOL skipDownload,
                                                     BSTR extra) override;
    HRESULT STDMETHODCALLTYPE raw_SetItemProperties(unsigned short index, ILSPropertyMap* item,
                                                    long reserved) override;
    HRESULT STDMETHODCALLTYPE raw_PostContentSyncFolderUpdate(ILSPropertyMap* folderMap) override;
    HRESULT STDMETHODCALLTYPE raw_PreContentSyncFolderUpdate(ILSPropertyMap* folderMap, VARIANT_BOOL modeFlag1,
                                                             VARIANT_BOOL modeFlag2) override;
    HRESULT STDMETHODCALLTYPE GetSubFolderCount(unsigned short* count) override;
    HRESULT STDMETHODCALLTYPE raw_GetSubFolderBasicProps(unsigned short index, ILSPropertyMap* folder) override;
    HRESULT STDMETHODCALLTYPE raw_SetSubFolderProperties(unsigned short index, ILSPropertyMap* folder) override;
    HRESULT STDMETHODCALLTYPE raw_GetFilterNames(BSTR* first, BSTR* second) override;
    HRESULT STDMETHODCALLTYPE raw_HasChanges(unsigned short index, ILSPropertyMap* item, long* changes) override;
    HRESULT STDMETHODCALLTYPE raw_HasMoreItemsAvailable(long* more) override;
    HRESULT STDMETHODCALLTYPE raw_ResetChangeCache() override;
    HRESULT STDMETHODCALLTYPE raw_UpdateFolder(long reserved, ILSPropertyMap* mapiFolder, ILSPropertyMap* syncFolder,
                                               VARIANT_BOOL* renamed) override;
    HRESULT STDMETHODCALLTYPE raw_SetCurrentProfileName(BSTR profileName) override;
    HRESULT STDMETHODCALLTYPE GetChecksDuplicatesOnAdd(VARIANT_BOOL* checks) override;
    HRESULT STDMETHODCALLTYPE UnimplementedMethod(long first, long second) override;
    HRESULT STDMETHODCALLTYPE raw_StartSync(long reserved, IUnknown* syncRun, long reserved2) override;
    HRESULT STDMETHODCALLTYPE raw_EndSync() override;
    HRESULT STDMETHODCALLTYPE raw_GetFieldSetInfo(long reserved, ILSVESKFieldSetInfo** fieldSetInfo) override;
    // Keeps the slot that a host compiled with one destructor slot has before the next method.
    HRESULT STDMETHODCALLTYPE ReservedDestructorSlot() override;
    // The main folder's named properties; a repository class may extend it and call this one.
    HRESULT STDMETHODCALLTYPE raw_SetMainFolderProperties(ILSPropertyMap* folderMap) override;

    // ---- ILSManualDeletionsSyncFilter ------------------------------------------------------
    HRESULT STDMETHODCALLTYPE raw_GetKeyPropertyTag(BSTR* propertyName) override;
    HRESULT STDMETHODCALLTYPE raw_IsDeleted(BSTR itemId, long flag) override;

    // ---- ILSNeedsShutdownInfo --------------------------------------------------------------
    HRESULT STDMETHODCALLTYPE get_pShutdownInformer(ILSShutdownInformer** informer) override;
    HRESULT STDMETHODCALLTYPE put_pShutdownInformer(ILSShutdownInformer* informer) override;

    // ---- ILSDeleteableSyncFilter -----------------------------------------------------------
    HRESULT STDMETHODCALLTYPE GetDeleteFlag(VARIANT_BOOL* flag) override;
    HRESULT STDMETHODCALLTYPE DeleteItemAlternate(long first, long second) override;
    HRESULT STDMETHODCALLTYPE DeleteItemByLocation(ILSPropertyMap* item, BSTR* errorText) override;
    HRESULT STDMETHODCALLTYPE get_ServerItemCount(long reserved, long* count) override;
    HRESULT STDMETHODCALLTYPE get_ServerItem(long index, BSTR* itemId) override;
    HRESULT STDMETHODCALLTYPE get_ServerItemKey(BSTR* propertyName) override;

    // ---- ILSCreateableFolderSyncFilter -----------------------------------------------------
    HRESULT STDMETHODCALLTYPE raw_CreateFolder(long reserved, ILSPropertyMap* parentFolder,
                                               ILSPropertyMap* newFolder) override;

    // ---- ILSHeaderOnlySync -----------------------------------------------------------------
    HRESULT STDMETHODCALLTYPE raw_RetrieveIndividualItemToPath(ILSPropertyMap* item, BSTR localPath, BSTR* fileName,
                                                               VARIANT_BOOL alreadyLocal, BSTR extra) override;
    HRESULT STDMETHODCALLTYPE SetHeaderOnlyFlag(long first, long second) override;
    HRESULT STDMETHODCALLTYPE NotifyHeaderOnly() override;
    HRESULT STDMETHODCALLTYPE raw_RetrieveIndividualItemToPathProperties(ILSPropertyMap* item) override;

    // ---- Own virtual operations, in slot order ---------------------------------------------
    // Under GCC the virtual destructor takes two slots: the complete and the deleting form.
    virtual ~LSBaseFileSyncFilter();

    // The repository type name ("Box").
    virtual CStdStr<wchar_t> GetRepositoryName() const = 0;
    // The prefix of this filter's settings keys ("BoxSync").
    virtual CStdStr<wchar_t> GetSettingsPrefix() const = 0;
    // May adjust a start point given as text; a failure ends the start-point call, whose error
    // text the operation may have written.
    virtual HRESULT PrepareSyncStartPoint(CStdStr<wchar_t>& startPoint, CStdStr<wchar_t>& errorText) = 0;
    // nameIsDocumentName: true for the document's own name, false for a stored remote name.
    virtual HRESULT FileExistsRemote(const CStdStr<wchar_t>& name, bool& exists, bool nameIsDocumentName);
    virtual HRESULT RemoteNameExists(const CStdStr<wchar_t>& name, bool& exists) = 0;
    virtual bool ParseRemoteDateTime(const CStdStr<wchar_t>& dateText, SYSTEMTIME& time) = 0;
    // Uploads a local file as a new file or a new version and names it in remoteName.
    virtual HRESULT CopyFileRemote(const CStdStr<wchar_t>& localPath, const CStdStr<wchar_t>& documentName,
                                   ILSPropertyMap* item, bool existsRemotely, CStdStr<wchar_t>& remoteName) = 0;
    virtual HRESULT RenameRemoteFile(CStdStr<wchar_t>& remoteName, const CStdStr<wchar_t>& newName) = 0;
    virtual HRESULT RenameRemoteFolder(CStdStr<wchar_t>& location, const CStdStr<wchar_t>& newName,
                                       ILSPropertyMap* syncFolder) = 0;
    // False: an update whose content did not change is not uploaded.
    virtual bool AlwaysUploadContent() const;
    virtual HRESULT CopyFileToLocal(const CStdStr<wchar_t>& remoteName, const CStdStr<wchar_t>& localPath,
                                    ILSPropertyMap* item, const CStdStr<wchar_t>& extra) = 0;
    // Lists the start folder and fills the item and sub-folder lists; mode 0 to 3.
    virtual HRESULT GetContents(ILSPropertyMap* folderMap, int mode) = 0;
    virtual HRESULT GetRemoteETag(const CStdStr<wchar_t>& remoteName, CStdStr<wchar_t>& etag) = 0;
    virtual HRESULT isItemReadOnly(const CStdStr<wchar_t>& key, bool& readOnly, CStdStr<wchar_t>& permissionMask) = 0;
    // S_OK when the item is gone from the server, S_FALSE when it is still there.
    virtual HRESULT CheckForDeletedItems(const CStdStr<wchar_t>& itemId, long flag) = 0;
    virtual HRESULT CreateDirectoryRemote(long reserved, const CStdStr<wchar_t>& parentLocation,
                                          const CStdStr<wchar_t>& name, ILSPropertyMap* newFolder,
                                          CStdStr<wchar_t>& newLocation) = 0;
    virtual HRESULT DeleteFileRemote(const CStdStr<wchar_t>& remoteName, CStdStr<wchar_t>& errorText) = 0;
    // The remote name stored on an item; name may be replaced by the item's stored file name.
    virtual HRESULT GetStoredRemoteFileName(CStdStr<wchar_t>& name, ILSPropertyMap* item,
                                            CStdStr<wchar_t>& remoteName);
    virtual HRESULT FindFileInFileList(const CStdStr<wchar_t>& fileName, CStdStr<wchar_t>& remoteName) = 0;
    // The index look-ups below take indexes of the current listing.
    virtual CStdStr<wchar_t> GetRemoteItemId(unsigned index) const = 0;
    virtual int GetRemoteVersion(unsigned index) const = 0;
    virtual CStdStr<wchar_t> GetSubFolderKey(unsigned index) const = 0;
    virtual HRESULT SetFilterSubFolderProperties(unsigned short index, ILSPropertyMap* folder) = 0;
    virtual CStdStr<wchar_t> GetPathSeparator() const = 0;
    // The results of the two sync hooks are ignored.
    virtual HRESULT OnEndSync() = 0;
    virtual HRESULT OnStartSync() = 0;
    // Turns a web link into the folder's location, in place.
    virtual HRESULT ResolveFolderFromUrl(CStdStr<wchar_t>& startPoint) = 0;
    // index -1: the link built from remoteName; otherwise the link of listed entry index.
    virtual HRESULT GetFolderUrl(const CStdStr<wchar_t>& remoteName, CStdStr<wchar_t>& url, int index) = 0;
    virtual HRESULT GetFileUrl(const CStdStr<wchar_t>& remoteName, CStdStr<wchar_t>& url, int index) = 0;
    // True: new documents are not tested for a remote namesake.
    virtual bool CheckDuplicatesOnAdd() const;
    // True: items are keyed by "Quentra.FromServerFileId".
    virtual bool UsesFileIdKey() const;
    virtual bool AllowsDocumentsInMainFolder() const;
    virtual bool AllowsDocumentsInSubFolders() const;
    virtual HRESULT GetFieldSetInfoInternal(ILSVESKFieldSetInfo** fieldSetInfo);
    virtual void OnSyncStartPointSet();
    virtual HRESULT DeleteFolderRemote(ILSPropertyMap* item, CStdStr<wchar_t>& errorText);
    // True lets a start point with the skip flag leave the listing to the next folder update.
    virtual bool CanSkipStartPointListing(ILSPropertyMap* folderMap) const;
    virtual HRESULT RetrieveIndividualItemToPathInternal(ILSPropertyMap* item, const wchar_t* localPath,
                                                         BSTR* fileName, bool alreadyLocal,
                                                         const CStdStr<wchar_t>& extra);
    // A change test: true when the checking-out user differs from the listed one.
    virtual bool SetCheckoutUserProperty(unsigned short index, ILSPropertyMap* item);
    virtual CStdStr<wchar_t> MakeIndividualItemTempPath(const CStdStr<wchar_t>& name, int number);
    virtual bool SetHeaderMapiProperties(const CStdStr<wchar_t>& remoteId, ILSPropertyMap* item);
    virtual CStdStr<wchar_t> GetFileIdForName(ILSPropertyMap* item, const CStdStr<wchar_t>& remoteName) const;
    virtual HRESULT RetrieveIndividualItemToPathProperties(const CStdStr<wchar_t>& remoteName, ILSPropertyMap* item);
    // True: downloads are identified by the server's ETag and are not hashed.
    virtual bool UsesRemoteETag() const;
    virtual bool TreatAsUnchanged(unsigned short index, ILSPropertyMap* item);
    virtual bool AllowsFolderCreation() const;
    virtual CStdStr<wchar_t> MakeValidRemoteName(const CStdStr<wchar_t>& name);
    virtual HRESULT StoreChangeToken(ILSPropertyMap* folderMap);
    virtual CStdStr<wchar_t> GetItemDisplayName(unsigned short index, const CStdStr<wchar_t>& name) const;
    virtual CStdStr<wchar_t> GetSubFolderDisplayName(unsigned short index, const CStdStr<wchar_t>& name) const;
    virtual HRESULT OnAfterAddFile(ILSPropertyMap* item);
    // True while further items are waiting on the server.
    virtual bool HasChangeToken() const;
    virtual HRESULT LoadServerItems(long* count);
    virtual HRESULT GetServerItemId(unsigned long index, CStdStr<wchar_t>& id);
    virtual HRESULT AddOrUpdateDocument(bool isNewDocument, const wchar_t* localPath, const wchar_t* documentName,
                                        ILSPropertyMap* item);
    // Fills an empty start point from the host object that may aggregate the filter.
    virtual HRESULT GetStartPointFromHost(CStdStr<wchar_t>& startPoint);
    // The named property that keys items.
    virtual CStdStr<wchar_t> GetKeyPropertyName() const;

    // ---- Shared services -------------------------------------------------------------------
    // The property carrying an e-mail file's id ("SharePointSync.EmailFileIdProperty"), read
    // once per process.
    static CStdStr<wchar_t> GetEmailFileIdPropertyName();
    // The content hash of a local file as GUID text; a file that yields none (unreadable, or the
    // host stopped the hashing) gives the hash of empty content. Never empty.
    CStdStr<wchar_t> GetHashForLocalFile(const CStdStr<wchar_t>& localPath) const;
    // A copy of text with every character that occurs in characters replaced by a blank.
    static CStdStr<wchar_t> ReplaceCharsInString(const CStdStr<wchar_t>& text, const CStdStr<wchar_t>& characters);

    LSBaseFileSyncFilter(const LSBaseFileSyncFilter&) = delete;
    LSBaseFileSyncFilter& operator=(const LSBaseFileSyncFilter&) = delete;

protected:
    LSBaseFileSyncFilter();

    // Reads the size limit and the exclusion patterns under prefix; the repository class calls it
    // once from its constructor.
    void InitSettings(const CStdStr<wchar_t>& prefix);

    // ---- Start point, listing and the ties of items to their remote counterparts ----------
    // The listing mode that the host's two flags select: both 3, only the first 0, only the
    // second 1, neither 2. Only VARIANT_TRUE counts as set.
    static int32_t ListingModeFromFlags(VARIANT_BOOL modeFlag1, VARIANT_BOOL modeFlag2);
    // Empties the four string lists and what the listing keeps per item index.
    void ClearListing();
    // The repository location stored on a folder's map; throws 0x80070032 when it has none.
    CStdStr<wchar_t> GetFolderLocation(ILSPropertyMap* map);
    // Write the web link of a folder or file (index -1: built from the name) into the map.
    HRESULT SetupFolderUrl(const CStdStr<wchar_t>& remoteName, int index, ILSPropertyMap* map);
    HRESULT SetupFileUrl(const CStdStr<wchar_t>& remoteName, int index, ILSPropertyMap* map);
    // Writes "Quentra.FromServerFileId" when the repository keys items by file id.
    HRESULT SetupFileId(const CStdStr<wchar_t>& remoteName, ILSPropertyMap* map, bool isNewDocument);
    // Further values of listed server item / sub-folder i; the default when none was stored.
    CStdStr<wchar_t> GetServerItemExtraProperty(size_t index, const CStdStr<wchar_t>& key,
                                                const CStdStr<wchar_t>& defaultValue) const;
    CStdStr<wchar_t> GetSubFolderExtraProperty(size_t index, const CStdStr<wchar_t>& key,
                                               const CStdStr<wchar_t>& defaultValue) const;
    void SetServerItemExtraProperty(size_t index, const CStdStr<wchar_t>& key, const CStdStr<wchar_t>& value);
    // The remote last-modified time of listed item i, kUnknownRemoteDate when it cannot be had.
    DATE CacheLastModified(unsigned short index);

    // The newest start point's number. Each start point takes the next one on entry, and a step
    // of it that waits (dispatching the thread's window messages, which lets the host start
    // another meanwhile) reads it before the wait; once overtaken, the start point stores nothing
    // more and returns E_ABORT.
    uint64_t NewestStartPoint() const { return m_newestStartPoint; }
    bool IsOvertaken(uint64_t startPoint) const { return startPoint != m_newestStartPoint; }

    // A count for the host's 16-bit out-parameters: beyond 65,535 it stays there (logged).
    static unsigned short HostCount(size_t count, const char* what);

    // Kept for an item whose remote time cannot be had.
    static constexpr DATE kUnknownRemoteDate = 3660000.0;

    // ---- Documents going up ----------------------------------------------------------------
    // Tests, uploads and renames one document; remoteName receives the name the repository
    // stored it under (empty when nothing was uploaded). Problems the user must resolve are
    // written as the item's sync issue.
    HRESULT AddFile(bool isNewDocument, CStdStr<wchar_t>* remoteName, ILSPropertyMap* item,
                    CStdStr<wchar_t> documentName, CStdStr<wchar_t> localPath);
    // S_OK when a changed document may replace the remote one; documentName may become the
    // item's stored file name.
    HRESULT CheckUpdateMayProceed(CStdStr<wchar_t>& documentName, ILSPropertyMap* item);
    HRESULT ReportConflict(ILSPropertyMap* item, const CStdStr<wchar_t>& remoteName,
                           const CStdStr<wchar_t>& remoteETag);
    // Deletes the remote file or folder behind an item; may throw what the repository throws.
    HRESULT DeleteRemoteItem(ILSPropertyMap* item, CStdStr<wchar_t>& errorText);

    using StringList = std::vector<CStdStr<wchar_t>>;
    using PropertyPairs = std::map<CStdStr<wchar_t>, CStdStr<wchar_t>>;
    // The further values of listed server item i; none when it has none. A filter may keep them
    // in a form of its own: for a large folder, keys stored with every item and texts made from
    // its name cost more than the rest of its lists.
    virtual std::optional<PropertyPairs> ServerItemExtraProperties(size_t index) const;
    // Named texts gathered for one batched write, in the order they were added.
    using PendingPropertyPairs = std::vector<std::pair<CStdStr<wchar_t>, CStdStr<wchar_t>>>;

    // Writes what is known about a downloaded server item as its named properties: dates and
    // flags at once, the texts in one batch. extra may be null. Throws the bare HRESULT of a
    // failed field-set lookup and the COM error of a failed batch.
    void SetMapiProperties(ILSPropertyMap* item, DATE date, const CStdStr<wchar_t>& etag,
                           const CStdStr<wchar_t>& remoteId, const CStdStr<wchar_t>& name, const CStdStr<wchar_t>& url,
                           const CStdStr<wchar_t>& fromUser, const CStdStr<wchar_t>& toUser,
                           const CStdStr<wchar_t>& mask, const PropertyPairs* extra, bool headerDone);

    // The host's field-set information and the two maps it was obtained for. The keys hold
    // references so that a new map at a freed one's address is never taken for it.
    struct FieldSetCache {
        TalvernCommon::com_ptr<ILSVESKFieldSetInfo> info;
        TalvernCommon::com_ptr<IUnknown> syncRunKey;
        TalvernCommon::com_ptr<ILSPropertyMap> startFolderKey;
    };

    // Listing modes 0 to 3 (see GetContents); 2 until a start point says otherwise.
    static constexpr int32_t kDefaultListingMode = 2;

    bool m_headerOnly = false;
    CStdStr<wchar_t> m_profileName;
    int32_t m_startPointNumber = -1;
    FieldSetCache m_fieldSetCache;
    CStdStr<wchar_t> m_folderLocation;
    CStdStr<wchar_t> m_startPointText;
    CStdStr<wchar_t> m_repositoryLocation;
    // Filled by GetContents: the sub-folder names, then three lists of the repository class
    // (for Box: the sub-folder ids, the file names, the file ids).
    StringList m_subFolderNames;
    StringList m_subFolderIds;
    StringList m_itemNames;
    StringList m_itemIds;
    CStdStr<wchar_t> m_filterPropertyName;
    CStdStr<wchar_t> m_filterPropertyValue;
    bool m_startedByText = false;
    bool m_contentsListed = false;
    bool m_documentChangedSinceListing = false;
    bool m_lastStartPointFlag = false;
    CStdStr<wchar_t> m_startFolderLeafName;
    // Server item index to remote last-modified time (OLE DATE).
    std::map<uint32_t, DATE> m_lastModifiedCache;
    // Server item index to the text that identifies its retrieved content.
    std::map<uint32_t, CStdStr<wchar_t>> m_etags;
    // Case-insensitive; a name that any of them finds is excluded.
    std::vector<std::wregex> m_exclusionPatterns;
    uint32_t m_maxFileSizeBytes = 0;
    CStdStr<wchar_t> m_exclusionPatternText;
    TalvernCommon::com_ptr<ILSShutdownInformer> m_shutdownInformer;
    TalvernCommon::com_ptr<IUnknown> m_syncRun;
    TalvernCommon::com_ptr<ILSPropertyMap> m_mainFolderMap;
    // Per listed item and per listed sub-folder: further key/value pairs.
    std::vector<PropertyPairs> m_serverItemExtraProperties;
    std::vector<PropertyPairs> m_subFolderExtraProperties;
    PropertyPairs m_nameValuePairsForRootFolder;
    CStdStr<wchar_t> m_contentTypeInfo;
    int32_t m_listingMode = kDefaultListingMode;

private:
    uint64_t m_newestStartPoint = 0;

    HRESULT SetItemPropertiesOf(unsigned short index, ILSPropertyMap* item);
    void AddMessageHeader(ILSPropertyMap* item, DATE date, const CStdStr<wchar_t>& fromUser,
                          const CStdStr<wchar_t>& toUser, const PropertyPairs* extra, PendingPropertyPairs& pending);
    void AddExtraProperties(ILSPropertyMap* item, const CStdStr<wchar_t>& name, const PropertyPairs& extra,
                            PendingPropertyPairs& pending);
    // Empty when the file cannot be read or the host stopped the hashing.
    CStdStr<wchar_t> HashLocalFileOrEmpty(const CStdStr<wchar_t>& localPath) const;
    // Polled while hashing: true when the host asks to stop.
    bool HostAsksToStop() const;
};

// "VESK.ExternalAttachments", read once per process.
bool GetExternalAttachmentsSetting();
