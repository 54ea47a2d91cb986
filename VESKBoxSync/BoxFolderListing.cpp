#include "BoxFolderListing.h"

#include "BoxCallLoop.h"
#include "BoxChangeToken.h"
#include "BoxConstants.h"
#include "BoxMarkerPaging.h"
#include "BoxOperationFailures.h"
#include "BoxUrlBuilders.h"
#include "ComDef.h"
#include "HResultException.h"
#include "LSPropertyHelpers.h"

#include <windows.h>
#include <oleauto.h>

#include <algorithm>
#include <optional>

namespace Box_20 {

namespace {

constexpr wchar_t kContentsPlace[] = L"Box_20::GetFolderContents";
constexpr wchar_t kSingleDocPlace[] = L"Box_20::GetFolderSingleDocContents";
constexpr wchar_t kContentIdsPlace[] = L"Box_20::GetFolderContentIds";
constexpr wchar_t kRootFolderId[] = L"0";
// Box answers at most this many items a page.
constexpr uint32_t kMaxPageSize = 1000;
const _bstr_t kChangeTokenProperty{L"ChangeToken"};

uint32_t PageSize(uint32_t limit) { return std::clamp<uint32_t>(limit, 1, kMaxPageSize); }

// Box lists a folder's folders, then its files, then its web links, each group in the order
// asked for (newest first here), except in the root folder, where marker paging ignores the
// order. Only in a sorted folder does the first file older than what is wanted end the files.
bool SortsByDate(const std::wstring& folderId) { return folderId != kRootFolderId; }

std::optional<uint64_t> LocalDateAsUtc(const OptionalDate& date)
{
    if (!date.Valid)
        return std::nullopt;
    SYSTEMTIME local{};
    SYSTEMTIME utc{};
    FILETIME fileTime{};
    if (!::VariantTimeToSystemTime(date.Date, &local) || !::TzSpecificLocalTimeToSystemTime(nullptr, &local, &utc) ||
        !::SystemTimeToFileTime(&utc, &fileTime))
        throw hresult_exception(E_INVALIDARG, "Box_20 listing: the date limit is no valid date");
    return (static_cast<uint64_t>(fileTime.dwHighDateTime) << 32) | fileTime.dwLowDateTime;
}

std::optional<uint64_t> Later(std::optional<uint64_t> first, std::optional<uint64_t> second)
{
    if (!first || !second)
        return first ? first : second;
    return std::max(*first, *second);
}

CStdStr<wchar_t> ChangeTokenIn(ILSPropertyMap* folderMap, const CStdStr<wchar_t>& given)
{
    return folderMap != nullptr ? LSPropertyHelpers::getProp(folderMap, kChangeTokenProperty, L"") : given;
}

Json::Value GetPage(ILSPropertyMap* map, ILSShutdownInformer* informer, const CStdStr<wchar_t>& url)
{
    return CallBoxAPIWithRichErrorLogging(map, informer, url, BoxConstants().VerbGet, _variant_t(), false);
}

// Which files a listing still wants: those changed at or after `from` (all without it).
class FileWindow {
public:
    FileWindow(std::optional<uint64_t> from, bool sortedByDate) : m_from(from), m_sortedByDate(sortedByDate) {}

    bool Wants(const std::optional<EntryDate>& date) const { return !m_from || !date || date->FileTime >= *m_from; }
    // An unwanted file in a sorted folder: every file after it is older still.
    bool EndsFiles(const std::optional<EntryDate>& date) const { return m_sortedByDate && !Wants(date); }

private:
    std::optional<uint64_t> m_from;
    bool m_sortedByDate;
};

class ContentsCollector {
public:
    ContentsCollector(const MetadataScopeRecord& scope, FileWindow window) : m_scope(scope), m_window(window) {}

    // False once the folder's wanted files are all taken.
    bool Take(const Json::Value& entries)
    {
        for (const Json::Value& entry : entries) {
            if (IsFolderEntry(entry))
                m_listing.Folders.push_back(CreateFolderRecord(entry));
            else if (IsFileEntry(entry) && !TakeFile(entry))
                return false;
        }
        return true;
    }

    FolderListing& Listing() { return m_listing; }
    std::optional<uint64_t> Newest() const { return m_newest; }

private:
    bool TakeFile(const Json::Value& entry)
    {
        const std::optional<EntryDate> date = GetEntryDate(entry);
        if (!m_window.Wants(date))
            return !m_window.EndsFiles(date);
        FileRecord record = CreateFileRecord(entry, m_scope);
        record.ListingPosition = static_cast<int32_t>(m_listing.Files.size());
        m_listing.Files.push_back(std::move(record));
        if (date)
            m_newest = Later(m_newest, date->FileTime);
        return true;
    }

    const MetadataScopeRecord& m_scope;
    FileWindow m_window;
    FolderListing m_listing;
    std::optional<uint64_t> m_newest;
};

} // namespace

FolderListing GetFolderContents(ILSPropertyMap* folderMap, ILSShutdownInformer* informer, const std::wstring& folderId,
                                uint32_t pagingLimit, uint32_t incrementalLimit, CStdStr<wchar_t>& changeToken,
                                const OptionalDate& dateLimit, const MetadataScopeRecord& scope)
{
    const std::optional<uint64_t> cutoff = ReadChangeTokenCutoff(ChangeTokenIn(folderMap, changeToken), folderId);
    const uint32_t pageSize = PageSize(cutoff ? incrementalLimit : pagingLimit);
    ContentsCollector collector(scope, FileWindow(Later(cutoff, LocalDateAsUtc(dateLimit)), SortsByDate(folderId)));
    const PagingEnd end = PageThroughMarkers(
        [&](const std::wstring& marker) {
            return GetPage(folderMap, informer,
                           GetFolderItemsUrl(scope.EnterpriseId, folderId, scope.EmailTemplateName,
                                             scope.FingerprintTemplateName, pageSize, marker));
        },
        [&](const Json::Value& entries) { return collector.Take(entries); }, kContentsPlace);
    changeToken = MakeChangeToken(folderId, end == PagingEnd::Complete ? Later(cutoff, collector.Newest()) : cutoff);
    return std::move(collector.Listing());
}

FolderListing GetFolderSingleDocContents(ILSPropertyMap* folderMap, ILSShutdownInformer* informer,
                                         const std::wstring& fileId, const MetadataScopeRecord& scope)
{
    const Json::Value reply =
        GetPage(folderMap, informer,
                GetSingleDocUrl(scope.EnterpriseId, fileId, scope.EmailTemplateName, scope.FingerprintTemplateName));
    if (!IsFileEntry(RequireObjectReply(reply, kSingleDocPlace)))
        FailOperation(kSingleDocPlace, L"response from Box is no file");
    FolderListing listing;
    listing.Files.push_back(CreateFileRecord(reply, scope));
    return listing;
}

std::vector<CStdStr<wchar_t>> GetFolderContentIds(ILSShutdownInformer* informer, const std::wstring& folderId,
                                                  const OptionalDate& dateLimit, uint32_t limit)
{
    const FileWindow window(LocalDateAsUtc(dateLimit), SortsByDate(folderId));
    std::vector<CStdStr<wchar_t>> ids;
    const auto takeIds = [&](const Json::Value& entries) {
        for (const Json::Value& entry : entries) {
            if (IsFileEntry(entry)) {
                const std::optional<EntryDate> date = GetEntryDate(entry);
                if (window.EndsFiles(date))
                    return false;
                if (!window.Wants(date))
                    continue;
            } else if (!IsFolderEntry(entry)) {
                continue;
            }
            ids.push_back(GetJsonString(entry, "id"));
        }
        return true;
    };
    const PagingEnd end = PageThroughMarkers(
        [&](const std::wstring& marker) {
            return GetPage(nullptr, informer, GetFolderItemIdsUrl(folderId, marker, PageSize(limit)));
        },
        takeIds, kContentIdsPlace);
    if (end == PagingEnd::Truncated)
        FailOperation(kContentIdsPlace, L"Box broke off the paging of the folder's items");
    return ids;
}

} // namespace Box_20
