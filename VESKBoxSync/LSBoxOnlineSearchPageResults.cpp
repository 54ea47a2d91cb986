#include "LSBoxOnlineSearchPageResults.h"

#include "BoxConstants.h"
#include "BoxIds.h"
#include "LSDiag.h"
#include "LSSetting.h"
#include "NarrowCasts.h"
#include "StringUtils.h"
#include "VESKBoxSyncFilterImpl.h"

#include <algorithm>

namespace {

using namespace LSTableDataOnlineDocResults;

constexpr wchar_t kRepositoryType[] = L"Box";
constexpr wchar_t kCapSetting[] = L"BoxSync.CapOnlineResults";
constexpr DWORD kDefaultCap = 0x7FFFFFFF;

// The library's null value, owned by nobody.
std::shared_ptr<const Json::Value> NoReply()
{
    return {std::shared_ptr<const Json::Value>(), &Json::Value::nullSingleton()};
}

template <typename Match, typename SameRow>
bool SameMatches(const std::vector<Match>& first, const std::vector<Match>& second, SameRow sameRow)
{
    return first.size() == second.size() &&
           std::equal(first.begin(), first.end(), second.begin(), [&](const Match& a, const Match& b) {
               return sameRow(a, b) && a.Kind == b.Kind && MatchValuesEqual(a.Value, b.Value);
           });
}

// The reply's member at a "/"-separated path; null when any step is missing.
const Json::Value* FindJsonValueByPath(const Json::Value& value, const std::string& path)
{
    const Json::Value* current = &value;
    size_t at = 0;
    while (at < path.size()) {
        const size_t end = std::min(path.find('/', at), path.size());
        if (end > at) {
            const std::string segment = path.substr(at, end - at);
            if (!current->isObject() || !current->isMember(segment))
                return nullptr;
            current = &(*current)[segment];
        }
        at = end + 1;
    }
    return current;
}

} // namespace

LSBoxOnlineSearchPageResults::LSBoxOnlineSearchPageResults(VESKBoxSyncFilterImpl* owner)
    : m_customColumns(GetCustomColumns(kRepositoryType)),
      m_standardColumnFields{{DocumentNameColumn, L"name"},       {ReceivedTimeColumn, L"metadata/received"},
                             {SizeColumn, L"size"},               {SenderColumn, L"metadata/from"},
                             {ToColumn, L"metadata/to"},          {CcColumn, L"metadata/cc"},
                             {BccColumn, L"metadata/bcc"},        {SubjectColumn, L"metadata/subject"},
                             {HasAttachmentsColumn, L"metadata/hasattachments"}},
      m_owner(owner)
{
}

void LSBoxOnlineSearchPageResults::SetRootLocation(const CStdStr<wchar_t>& location)
{
    // The location is compared with the id kept from the last one: the same location given again
    // asks Box again, which is how a host refreshes its results.
    if (location == m_rootFolderId)
        return;
    DefinitionChanged();
    m_rootFolderId = Box_20::IdAtEndOf(location);
}

void LSBoxOnlineSearchPageResults::SetSearchText(const CStdStr<wchar_t>& text)
{
    if (text == m_searchText)
        return;
    DefinitionChanged();
    m_searchText = text;
}

void LSBoxOnlineSearchPageResults::SetRestrictSearchText(const CStdStr<wchar_t>& text)
{
    if (text == m_restrictSearchText)
        return;
    DefinitionChanged();
    m_restrictSearchText = text;
}

void LSBoxOnlineSearchPageResults::SetSort(bool direction, int32_t column)
{
    if (m_sort && m_sort->Direction == direction && m_sort->Column == column)
        return;
    DefinitionChanged();
    m_sort = Sort{direction, column};
}

void LSBoxOnlineSearchPageResults::SetQueryMatches(const LSStandardMatches& standard, const LSCustomMatches& custom)
{
    const bool same =
        SameMatches(standard, m_standardMatches,
                    [](const LSStandardMatch& a, const LSStandardMatch& b) { return a.Column == b.Column; }) &&
        SameMatches(custom, m_customMatches,
                    [](const LSCustomMatch& a, const LSCustomMatch& b) { return a.ColumnName == b.ColumnName; });
    if (same)
        return;
    DefinitionChanged();
    m_standardMatches = standard;
    m_customMatches = custom;
}

void LSBoxOnlineSearchPageResults::DefinitionChanged()
{
    ClearCachedPage();
    ++m_definitionVersion;
}

void LSBoxOnlineSearchPageResults::ClearCachedPage() { m_cachedPage.reset(); }

void LSBoxOnlineSearchPageResults::SetCachedPage(std::shared_ptr<const Json::Value> reply, int32_t start,
                                                 int32_t count)
{
    m_cachedPage = CachedPage{std::move(reply), start, count};
}

std::shared_ptr<const Json::Value> LSBoxOnlineSearchPageResults::WindowReply(int32_t start, int32_t count)
{
    if (m_cachedPage && m_cachedPage->Start == start && m_cachedPage->Count == count)
        return m_cachedPage->Reply;
    if (count == 0 || start >= Box_20::kMaxSearchOffset)
        return NoReply();
    ClearCachedPage();
    const uint64_t askedFor = m_definitionVersion;
    auto reply = std::make_shared<const Json::Value>(SearchWindow(start, count));
    if (askedFor == m_definitionVersion)
        SetCachedPage(reply, start, count);
    else
        LOG(WARNING) << "LSBoxOnlineSearchPageResults: the search changed while its results were on their way; "
                        "they answer only the call that asked for them";
    return reply;
}

std::shared_ptr<const Json::Value> LSBoxOnlineSearchPageResults::FetchPage(int32_t start, int32_t count)
{
    std::shared_ptr<const Json::Value> reply = WindowReply(start, count);
    const Json::Value* entries = FindJsonValueByPath(*reply, "entries");
    return entries != nullptr ? std::shared_ptr<const Json::Value>(reply, entries) : NoReply();
}

int32_t LSBoxOnlineSearchPageResults::GetTotalCount()
{
    const std::shared_ptr<const Json::Value> reply = m_cachedPage ? m_cachedPage->Reply : WindowReply(0, 1);
    if (!reply->isObject())
        return 0;
    const Json::Value& total = (*reply)["total_count"];
    if (!total.isNumeric())
        return 0;
    const int32_t count = WideToInt(GetThreadUtf8Converter().from_bytes(total.asString()));
    const DWORD cap = LSSetting::GetInstance().GetUserDword(kCapSetting, kDefaultCap);
    // A cap stored beyond the host's 32-bit count means no cap; results past Box's deepest offset
    // cannot be paged to.
    return static_cast<int32_t>(
        std::min<int64_t>({count, std::min<DWORD>(cap, INT32_MAX), int64_t{Box_20::kMaxSearchOffset}}));
}

CStdStr<wchar_t> LSBoxOnlineSearchPageResults::StandardColumnField(int32_t column) const
{
    for (const auto& [standardColumn, field] : m_standardColumnFields) {
        if (standardColumn == column)
            return field;
    }
    return {};
}

TalvernCommon::com_ptr<ILSShutdownInformer> LSBoxOnlineSearchPageResults::Informer() const
{
    TalvernCommon::com_ptr<ILSShutdownInformer> informer;
    const HRESULT hr = m_owner->get_pShutdownInformer(informer.put());
    if (FAILED(hr))
        _com_issue_error(hr);
    return informer;
}
