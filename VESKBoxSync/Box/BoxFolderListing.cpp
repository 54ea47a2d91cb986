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
// How far the clocks of Box's servers may differ, in FILETIME ticks (five minutes).
constexpr uint64_t kClockSkewMargin = 5ull * 60 * 10000000;

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

// Which files a listing still wants (those changed at or after `from`; all without it), and
// when the files still unread can be left unread.
class FileWindow {
public:
    FileWindow(std::optional<uint64_t> from, bool sortedByDate) : m_from(from), m_newestFirst(sortedByDate) {}

    bool Wants(const std::optional<EntryDate>& date) const { return !m_from || !date || date->FileTime >= *m_from; }

    // Asked before the first file is seen.
    PageSelection Selection() const
    {
        return m_from && m_newestFirst ? PageSelection::MayStop : PageSelection::EveryPage;
    }

    // Called for each file in listing order. True when every later file is older still: the
    // files so far came newest first, this one after a newer one (a server that ignored the
    // order asked for must not cost changes), and it is older than wanted by more than the
    // clock skew between Box's servers, so that a change dated a little early still comes first.
    bool EndsFiles(const std::optional<EntryDate>& date)
    {
        if (!date)
            return false;
        const bool afterNewer = m_previous && date->FileTime <= *m_previous;
        if (m_previous && !afterNewer)
            m_newestFirst = false;
        m_previous = date->FileTime;
        return m_newestFirst && afterNewer && m_from && date->FileTime + kClockSkewMargin < *m_from;
    }

private:
    std::optional<uint64_t> m_from;
    bool m_newestFirst;
    std::optional<uint64_t> m_previous;
};

// A listing in two steps per page: which entries it takes, decided before the next page is
// asked for, then their records, built while that page is on its way.
class ContentsCollector {
public:
    ContentsCollector(const MetadataScopeRecord& scope, FileWindow window) : m_scope(scope), m_window(window) {}

    // False once the folder's wanted files are all seen.
    bool Select(const Json::Value& entries)
    {
        m_taken.clear();
        for (const Json::Value& entry : entries) {
            switch (GetEntryType(entry)) {
            case EntryType::Folder:
                m_taken.push_back({&entry, EntryType::Folder, std::nullopt});
                break;
            case EntryType::File:
                if (!SelectFile(entry))
                    return false;
                break;
            case EntryType::Other:
                break;
            }
        }
        return true;
    }

    void Build()
    {
        for (const Taken& taken : m_taken) {
            if (taken.type == EntryType::Folder) {
                m_listing.Folders.push_back(CreateFolderRecord(*taken.entry));
                continue;
            }
            FileRecord record = CreateFileRecord(*taken.entry, m_scope, taken.date);
            record.ListingPosition = static_cast<int32_t>(m_listing.Files.size());
            m_listing.Files.push_back(std::move(record));
        }
        m_taken.clear();
    }

    FolderListing& Listing() { return m_listing; }
    std::optional<uint64_t> Newest() const { return m_newest; }

private:
    struct Taken {
        const Json::Value* entry;
        EntryType type;
        std::optional<EntryDate> date;
    };

    bool SelectFile(const Json::Value& entry)
    {
        std::optional<EntryDate> date = GetEntryDate(entry);
        if (m_window.EndsFiles(date))
            return false;
        if (!m_window.Wants(date))
            return true;
        if (date)
            m_newest = Later(m_newest, date->FileTime);
        m_taken.push_back({&entry, EntryType::File, std::move(date)});
        return true;
    }

    const MetadataScopeRecord& m_scope;
    FileWindow m_window;
    FolderListing m_listing;
    std::optional<uint64_t> m_newest;
    std::vector<Taken> m_taken;
};

// A changed file may carry a time a little before the cutoff (Box's servers' clocks differ):
// the listing reaches back by the margin, and lists such files again rather than lose one.
std::optional<uint64_t> ReachBack(std::optional<uint64_t> cutoff)
{
    if (!cutoff)
        return std::nullopt;
    return *cutoff > kClockSkewMargin ? *cutoff - kClockSkewMargin : 0;
}

} // namespace

FolderListing GetFolderContents(ILSPropertyMap* folderMap, ILSShutdownInformer* informer, const std::wstring& folderId,
                                uint32_t pagingLimit, uint32_t incrementalLimit, CStdStr<wchar_t>& changeToken,
                                const OptionalDate& dateLimit, const MetadataScopeRecord& scope)
{
    const std::optional<uint64_t> cutoff = ReadChangeTokenCutoff(ChangeTokenIn(folderMap, changeToken), folderId);
    const uint32_t pageSize = PageSize(cutoff ? incrementalLimit : pagingLimit);
    const FileWindow window(Later(ReachBack(cutoff), LocalDateAsUtc(dateLimit)), SortsByDate(folderId));
    ContentsCollector collector(scope, window);
    const PagingEnd end = PageThroughMarkers(
        folderMap, informer,
        [&](const std::wstring& marker) {
            return GetFolderItemsUrl(scope.EnterpriseId, folderId, scope.EmailTemplateName,
                                     scope.FingerprintTemplateName, pageSize, marker);
        },
        [&](const Json::Value& entries) { return collector.Select(entries); }, [&](const Json::Value&) { collector.Build(); },
        kContentsPlace, window.Selection());
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
    FileWindow window(LocalDateAsUtc(dateLimit), SortsByDate(folderId));
    std::vector<CStdStr<wchar_t>> ids;
    const auto takeIds = [&](const Json::Value& entries) {
        for (const Json::Value& entry : entries) {
            const EntryType type = GetEntryType(entry);
            if (type == EntryType::File) {
                const std::optional<EntryDate> date = GetEntryDate(entry);
                if (window.EndsFiles(date))
                    return false;
                if (!window.Wants(date))
                    continue;
            } else if (type != EntryType::Folder) {
                continue;
            }
            ids.push_back(GetJsonString(entry, "id"));
        }
        return true;
    };
    const PagingEnd end = PageThroughMarkers(
        nullptr, informer, [&](const std::wstring& marker) { return GetFolderItemIdsUrl(folderId, marker, PageSize(limit)); },
        takeIds, [](const Json::Value&) {}, kContentIdsPlace, window.Selection());
    if (end == PagingEnd::Truncated)
        FailOperation(kContentIdsPlace, L"Box broke off the paging of the folder's items");
    return ids;
}

} // namespace Box_20
