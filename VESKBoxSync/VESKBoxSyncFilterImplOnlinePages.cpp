// The host's online results view over Box searches, and a result's content downloaded on request.
#include "VESKBoxSyncFilterImpl.h"

#include "BoxExceptions.h"
#include "BoxFileOperations.h"
#include "BoxIds.h"
#include "BoxTokenCache.h"
#include "BoxUrlBuilders.h"
#include "BstrText.h"
#include "ComOwners.h"
#include "HResultException.h"
#include "LSBaseWS.h"
#include "LSCancelCheck.h"
#include "LSCancellableWait.h"
#include "LSDiag.h"
#include "LSFileSystem.h"
#include "LSHttpError.h"
#include "LSOutParams.h"
#include "LSStagedFile.h"
#include "LSWinInet.h"
#include "StringUtils.h"

#include <memory>
#include <vector>

namespace {

constexpr ULONGLONG kReuseWindowMs = 10000;
// Larger files are fetched again each time rather than held in memory.
constexpr uint64_t kLargestReusedFile = 16 * 1024 * 1024;

// The last small file downloaded in the process, keyed by file id and the version's etag.
struct LastDownload {
    CStdStr<wchar_t> FileId;
    CStdStr<wchar_t> ETag;
    std::vector<BYTE> Content;
    ULONGLONG StoredAt = 0;
};

// Serialises the downloads of the process; a thread that finds one running waits for it as for a
// request. A download dispatches its thread's window messages while it waits, and a handler may
// start another one: that call is refused at once, since waiting for the lock its own thread holds
// would never end.
class DownloadLock {
public:
    explicit DownloadLock(ILSShutdownInformer* informer)
    {
        switch (Lock().Acquire(MakeCancelCheck(informer))) {
        case LSLockResult::Taken:
            return;
        case LSLockResult::HeldByThisThread:
            LOG(ERROR) << "VESKBoxSyncFilterImpl::raw_DownloadFileContents: refused, called again while this thread "
                          "downloads";
            throw hresult_exception(E_FAIL, "a download was started while this thread downloads");
        case LSLockResult::Cancelled:
            LS_DIAG_LOG(1) << "VESKBoxSyncFilterImpl::raw_DownloadFileContents: stopped while waiting for another "
                              "thread's download";
            throw E_ABORT;
        case LSLockResult::TimedOut:
            LOG(ERROR) << "VESKBoxSyncFilterImpl::raw_DownloadFileContents: " << kDownloadWaitTimedOutText;
            throw hresult_exception(HRESULT_FROM_WIN32(ERROR_TIMEOUT), kDownloadWaitTimedOutText);
        }
    }
    ~DownloadLock() { Lock().Release(); }
    DownloadLock(const DownloadLock&) = delete;
    DownloadLock& operator=(const DownloadLock&) = delete;

    // Each block of a large result and a sign-in page still open keep the waiters waiting.
    static LSProgressNote ProgressNote() { return Lock().ProgressNote(); }

private:
    static constexpr char kDownloadWaitTimedOutText[] = "gave up waiting for another thread's download";

    static LSRequestLock& Lock()
    {
        static LSRequestLock lock;
        return lock;
    }
};

// Guarded by DownloadLock.
std::unique_ptr<LastDownload>& LastDownloadRecord()
{
    static std::unique_ptr<LastDownload> record;
    return record;
}

// The kept content when it is of this version and young enough; an expired record is dropped.
const LastDownload* ReusableDownload(const CStdStr<wchar_t>& fileId, const CStdStr<wchar_t>& etag)
{
    std::unique_ptr<LastDownload>& record = LastDownloadRecord();
    if (record && ::GetTickCount64() - record->StoredAt >= kReuseWindowMs)
        record.reset();
    return record && record->FileId == fileId && record->ETag == etag ? record.get() : nullptr;
}

// False when the local file cannot be written; whatever was there stays.
bool WriteKeptContent(const LastDownload& kept, const CStdStr<wchar_t>& localPath)
{
    try {
        LSStagedFile file(localPath);
        file.Write(kept.Content.data(), static_cast<DWORD>(kept.Content.size()));
        file.Commit();
        return true;
    } catch (const hresult_exception& failure) {
        LOG(ERROR) << "VESKBoxSyncFilterImpl::raw_DownloadFileContents: kept content not written, downloading: "
                   << failure.what();
        return false;
    }
}

void KeepDownload(const CStdStr<wchar_t>& fileId, const CStdStr<wchar_t>& etag, const CStdStr<wchar_t>& localPath)
{
    std::unique_ptr<LastDownload>& record = LastDownloadRecord();
    record.reset();
    WIN32_FILE_ATTRIBUTE_DATA attributes{};
    if (!::GetFileAttributesExW(localPath.c_str(), GetFileExInfoStandard, &attributes))
        return;
    const uint64_t size = (static_cast<uint64_t>(attributes.nFileSizeHigh) << 32) | attributes.nFileSizeLow;
    if (size > kLargestReusedFile)
        return;
    // Only a shortcut for the next call: a file that cannot be read back fails nothing.
    try {
        record = std::make_unique<LastDownload>(
            LastDownload{fileId, etag, LSFileSystem::ReadBinaryFile(localPath), ::GetTickCount64()});
    } catch (const hresult_exception& failure) {
        LOG(ERROR) << "VESKBoxSyncFilterImpl::raw_DownloadFileContents: the download is not kept: " << failure.what();
    }
}

} // namespace

HRESULT STDMETHODCALLTYPE VESKBoxSyncFilterImpl::raw_SetRootLocation(BSTR location)
{
    try {
        m_searchPager.SetRootLocation(BstrText(location));
        return S_OK;
    }
    LS_INTERFACE_CATCH_ALL("VESKBoxSyncFilterImpl::raw_SetRootLocation")
}

HRESULT STDMETHODCALLTYPE VESKBoxSyncFilterImpl::raw_SetSort(VARIANT_BOOL direction, long column)
{
    try {
        const long columns = 11 + static_cast<long>(m_searchPager.CustomColumns().size());
        if (column < 0 || column >= columns)
            return E_INVALIDARG;
        m_searchPager.SetSort(direction != VARIANT_FALSE, column);
        return S_OK;
    }
    LS_INTERFACE_CATCH_ALL("VESKBoxSyncFilterImpl::raw_SetSort")
}

HRESULT STDMETHODCALLTYPE VESKBoxSyncFilterImpl::raw_SetSearchText(BSTR text)
{
    try {
        m_searchPager.SetSearchText(BstrText(text));
        return S_OK;
    }
    LS_INTERFACE_CATCH_ALL("VESKBoxSyncFilterImpl::raw_SetSearchText")
}

HRESULT STDMETHODCALLTYPE VESKBoxSyncFilterImpl::raw_SetRestrictSearchText(BSTR text)
{
    try {
        m_searchPager.SetRestrictSearchText(BstrText(text));
        return S_OK;
    }
    LS_INTERFACE_CATCH_ALL("VESKBoxSyncFilterImpl::raw_SetRestrictSearchText")
}

// The host keeps its VARIANTs; the readers take over copies.
HRESULT STDMETHODCALLTYPE VESKBoxSyncFilterImpl::raw_SetQueryMatches(VARIANT standardMatches, VARIANT customMatches)
{
    try {
        _variant_t standardCells(standardMatches);
        _variant_t customCells(customMatches);
        LSStandardMatches standard;
        LSCustomMatches custom;
        LSStandardMatchesFromSafeArray(standardCells, standard);
        LSCustomMatchesFromSafeArray(customCells, custom);
        m_searchPager.SetQueryMatches(standard, custom);
        return S_OK;
    }
    LS_INTERFACE_CATCH_ALL("VESKBoxSyncFilterImpl::raw_SetQueryMatches")
}

HRESULT STDMETHODCALLTYPE VESKBoxSyncFilterImpl::raw_GetOnlineResultsSize(long* count)
{
    try {
        if (!ClearOutParam(count, 0))
            return E_POINTER;
        *count = m_searchPager.GetTotalCount();
        return S_OK;
    }
    LS_INTERFACE_CATCH_ALL("VESKBoxSyncFilterImpl::raw_GetOnlineResultsSize")
}

HRESULT STDMETHODCALLTYPE VESKBoxSyncFilterImpl::raw_GetOnlinePage(long start, long count, VARIANT* page)
{
    try {
        if (page == nullptr)
            return E_POINTER;
        ::VariantInit(page);
        *page = m_searchPager.GetOnlinePage(start, count);
        return S_OK;
    }
    LS_INTERFACE_CATCH_ALL("VESKBoxSyncFilterImpl::raw_GetOnlinePage")
}

HRESULT STDMETHODCALLTYPE VESKBoxSyncFilterImpl::raw_GetResultInfo(VARIANT entryId, BSTR* fileUrl, BSTR* folderUrl,
                                                                   VARIANT_BOOL* isMessage, BSTR* fileName,
                                                                   BSTR* filterText, long* fileSize)
{
    try {
        // Each one given is cleared, also when another is missing.
        const bool allGiven = ClearOutParam(fileUrl, nullptr) & ClearOutParam(folderUrl, nullptr) &
                              ClearOutParam(isMessage, VARIANT_FALSE) & ClearOutParam(fileName, nullptr) &
                              ClearOutParam(filterText, nullptr) & ClearOutParam(fileSize, 0L);
        if (!allGiven)
            return E_POINTER;
        const LSBoxOnlineSearchResultInfo info = m_searchPager.DecodeEntryId(entryId);
        TalvernCommon::unique_bstr file(StdStrToBstr(info.FileUrl));
        TalvernCommon::unique_bstr folder(StdStrToBstr(info.FolderUrl));
        TalvernCommon::unique_bstr name(StdStrToBstr(info.FileName));
        TalvernCommon::unique_bstr filter(StdStrToBstr(info.FilterText));
        *fileUrl = file.release();
        *folderUrl = folder.release();
        *isMessage = info.IsMessage ? VARIANT_TRUE : VARIANT_FALSE;
        *fileName = name.release();
        *filterText = filter.release();
        *fileSize = info.FileSize;
        return S_OK;
    }
    LS_INTERFACE_CATCH_ALL("VESKBoxSyncFilterImpl::raw_GetResultInfo")
}

HRESULT STDMETHODCALLTYPE VESKBoxSyncFilterImpl::raw_GetPreviewUrl(VARIANT entryId, BSTR* previewUrl)
{
    try {
        if (!ClearOutParam(previewUrl, nullptr))
            return E_POINTER;
        const LSBoxOnlineSearchResultInfo info = m_searchPager.DecodeEntryId(entryId);
        *previewUrl = StdStrToBstr(m_searchPager.GetPreviewPath(info.ItemId, info.FileName));
        return S_OK;
    }
    LS_INTERFACE_CATCH_ALL("VESKBoxSyncFilterImpl::raw_GetPreviewUrl")
}

CStdStr<wchar_t> VESKBoxSyncFilterImpl::DownloadWithBearerToken(const CStdStr<wchar_t>& contentUrl,
                                                                const LSProgressNote& signInOpen)
{
    ILSShutdownInformer* const informer = m_shutdownInformer.get();
    NotifyRequestStart(informer);
    const Box_20::RefreshTokensType tokens = Box_20::GetCachedTokens(informer, false, signInOpen);
    const CStdStr<wchar_t> headers =
        FormatWide(L"Authorization: Bearer %s\r\nAuth-Type: OAUTH2\r\n", tokens.AccessToken);
    WinInetRequestContext context(MakeCancelCheck(informer), CLSBaseWS::ShouldLogResponses(), 0);
    CStdStr<wchar_t> location = LSWinInetNS::LSWinInetBase::PostText(context, L"GET", contentUrl, headers, L"");
    LSWinInetNS::LSWinInetBase::ThrowIfNotReady(context);
    return location;
}

// The file's etag names the version: the kept copy of an older version is never written.
HRESULT STDMETHODCALLTYPE VESKBoxSyncFilterImpl::raw_DownloadFileContents(BSTR fileIdOrUrl, BSTR localPath)
{
    try {
        const CStdStr<wchar_t> fileId = Box_20::IdAtEndOf(BstrText(fileIdOrUrl));
        const CStdStr<wchar_t> path = BstrText(localPath);
        if (fileId.empty() || path.empty())
            return E_INVALIDARG;
        ILSShutdownInformer* const informer = m_shutdownInformer.get();
        const CStdStr<wchar_t> etag = Box_20::GetFileETag(fileId, informer);
        const DownloadLock lock(informer);
        const LastDownload* kept = ReusableDownload(fileId, etag);
        if (kept != nullptr && WriteKeptContent(*kept, path))
            return S_OK;
        const CStdStr<wchar_t> contentUrl = Box_20::GetFileContentUrl(fileId);
        const LSProgressNote moving = DownloadLock::ProgressNote();
        const CStdStr<wchar_t> location = RetryWhileContentNotReady(
            [&] {
                return CLSBaseWS::RetryWhileServerUnavailable(
                    [&] { return DownloadWithBearerToken(contentUrl, moving); }, informer);
            },
            informer);
        if (location.empty())
            throw Box_20::JoinWithSpace(L"VESKBoxSyncFilterImpl::raw_DownloadFileContents",
                                        L"Box gave no download location");
        CLSBaseWS::DownloadFile(location, path, informer, CStdStr<wchar_t>(), moving);
        KeepDownload(fileId, etag, path);
        return S_OK;
    } catch (const Box_20::ApiException& failure) {
        LOG(ERROR) << LSDiag::LogText(failure.GetText()) << "\n";
        return E_FAIL;
    } catch (const LSHttpError& failure) {
        LOG(ERROR) << " " << LSDiag::LogText(failure.FormatMessage()) << "\n";
        return E_FAIL;
    }
    LS_INTERFACE_CATCH_ALL("VESKBoxSyncFilterImpl::raw_DownloadFileContents")
}
