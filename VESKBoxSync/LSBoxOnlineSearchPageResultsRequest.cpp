// The Box file search of one window: the host's texts and column matches as search parameters,
// the result fields, and the request.
#include "LSBoxOnlineSearchPageResults.h"

#include "BoxCallLoop.h"
#include "BoxConstants.h"
#include "BoxExceptions.h"
#include "BstrText.h"
#include "LSDiag.h"
#include "NarrowCasts.h"
#include "StringUtils.h"
#include "VESKBoxSyncFilterImpl.h"

#include <algorithm>
#include <utility>

namespace {

using namespace LSTableDataOnlineDocResults;

constexpr wchar_t kMetadataFieldPrefix[] = L"metadata/";
constexpr size_t kMetadataFieldPrefixLength = 9;
constexpr wchar_t kFileExtColumn[] = L"FileExt";

// Comparison kinds of date and size matches: 0 sets no bound, 1 and 2 the lower one, any other
// the upper one.
bool SetsNoBound(int32_t kind) { return kind == 0; }
bool IsLowerBound(int32_t kind) { return kind == 1 || kind == 2; }

void AddDateBound(const LSStandardMatch& match, Box_20::FileSearchParameters& parameters)
{
    FILETIME fileTime{};
    SYSTEMTIME time{};
    if (match.Value.vt == VT_UI8) {
        fileTime.dwLowDateTime = static_cast<DWORD>(match.Value.ullVal);
        fileTime.dwHighDateTime = static_cast<DWORD>(match.Value.ullVal >> 32);
    }
    if (match.Value.vt != VT_UI8 || !::FileTimeToSystemTime(&fileTime, &time)) {
        LOG(ERROR) << "Unexpected date value " << match.Value.vt;
        return;
    }
    const CStdStr<wchar_t> date = FormatWide(L"%hu-%.2hu-%.2huT%.2hu:%.2hu:%.2huZ", time.wYear, time.wMonth,
                                             time.wDay, time.wHour, time.wMinute, time.wSecond);
    parameters.HasDateRange = true;
    (IsLowerBound(match.Kind) ? parameters.LowerDate : parameters.UpperDate) = date;
}

void AddSizeBound(const LSStandardMatch& match, Box_20::FileSearchParameters& parameters)
{
    if (match.Value.vt != VT_I4) {
        LOG(ERROR) << "Unexpected size value " << match.Value.vt;
        return;
    }
    const uint32_t size = TalvernCommon::narrowcasts::narrow<uint32_t>(match.Value.lVal);
    (IsLowerBound(match.Kind) ? parameters.SmallestSize : parameters.LargestSize) = {size, true};
}

void SetHasAttachments(const LSStandardMatch& match, Box_20::FileSearchParameters& parameters)
{
    if (match.Value.vt == VT_BOOL) {
        parameters.HasAttachments = match.Value.boolVal != VARIANT_FALSE;
    } else if (match.Value.vt == VT_BSTR) {
        const CStdStr<wchar_t> text = BstrText(match.Value.bstrVal);
        parameters.HasAttachments = !text.empty() && text != L"0";
    } else {
        LOG(ERROR) << "Unexpected bool value " << match.Value.vt;
    }
}

} // namespace

Box_20::FileSearchParameters LSBoxOnlineSearchPageResults::BuildQueryParameters() const
{
    Box_20::FileSearchParameters parameters;
    parameters.SearchText = FormatWide(L"%s %s", m_searchText, m_restrictSearchText);
    parameters.SearchText.Trim();
    for (const LSStandardMatch& match : m_standardMatches) {
        switch (match.Column) {
        case ReceivedTimeColumn:
            if (!SetsNoBound(match.Kind))
                AddDateBound(match, parameters);
            break;
        case SizeColumn:
            if (!SetsNoBound(match.Kind))
                AddSizeBound(match, parameters);
            break;
        case HasAttachmentsColumn:
            SetHasAttachments(match, parameters);
            break;
        default:
            if (match.Value.vt == VT_BSTR) {
                const CStdStr<wchar_t> field = StandardColumnField(match.Column);
                if (field.StartsWith(kMetadataFieldPrefix))
                    parameters.MetadataFilters.emplace_back(field.substr(kMetadataFieldPrefixLength),
                                                            BstrText(match.Value.bstrVal));
            }
        }
    }
    for (const LSCustomMatch& match : m_customMatches) {
        if (match.ColumnName == kFileExtColumn && match.Value.vt == VT_BSTR)
            parameters.FileExtensions.push_back(BstrText(match.Value.bstrVal));
    }
    return parameters;
}

std::set<CStdStr<wchar_t>> LSBoxOnlineSearchPageResults::GetSearchFields() const
{
    std::set<CStdStr<wchar_t>> fields{L"name", L"modified_at", L"modified_by", L"content_modified_at",
                                      L"permissions", L"parent"};
    for (const auto& standard : m_standardColumnFields)
        fields.insert(standard.second);
    for (const LSCustomColumn& column : m_customColumns)
        fields.insert(column.InternalName);
    fields.insert(FormatWide(L"metadata.enterprise_%s.%s", m_owner->GetBoxUserId(),
                             VESKBoxSyncFilterImpl::GetEmailMetadataTemplateName()));
    return fields;
}

// The fields come first: their enterprise id may be asked of Box, and a message handled meanwhile
// may change the definition, which the requests then carry as it stands when they are sent.
Json::Value LSBoxOnlineSearchPageResults::SearchWindow(int32_t start, int32_t count) const
{
    const CStdStr<wchar_t>& invalid = Box_20::BoxConstants().InvalidSearchQuery;
    if (m_searchText == invalid || m_restrictSearchText == invalid)
        return Json::Value();
    const CStdStr<wchar_t> fields = JoinStrings(GetSearchFields(), L",");
    const Box_20::FileSearchParameters parameters = BuildQueryParameters();
    const CStdStr<wchar_t> rootFolderId = m_rootFolderId;
    const int32_t end = static_cast<int32_t>(std::min<int64_t>(int64_t{start} + count, Box_20::kMaxSearchOffset));
    Json::Value window;
    for (int32_t offset = start; offset < end;) {
        const int32_t limit = std::min(Box_20::kMaxSearchLimit, end - offset);
        Json::Value part = runQuery(parameters, fields, rootFolderId, offset, limit);
        const Json::Value& entries = part.isObject() ? std::as_const(part)["entries"] : Json::Value::nullSingleton();
        const Json::ArrayIndex received = entries.isArray() ? entries.size() : 0;
        if (offset == start) {
            window = std::move(part);
        } else {
            for (const Json::Value& entry : entries)
                window["entries"].append(entry);
        }
        offset += limit;
        if (received < static_cast<Json::ArrayIndex>(limit))
            break;
        const Json::Value& total = std::as_const(window)["total_count"];
        if (total.isIntegral() && offset >= total.asInt64())
            break;
    }
    return window;
}

Json::Value LSBoxOnlineSearchPageResults::runQuery(const Box_20::FileSearchParameters& parameters,
                                                   const CStdStr<wchar_t>& fields,
                                                   const CStdStr<wchar_t>& rootFolderId, int32_t start,
                                                   int32_t count) const
{
    const CStdStr<wchar_t> url =
        Box_20::GetFileSearchUrl(parameters, rootFolderId, start, count,
                                 VESKBoxSyncFilterImpl::GetEmailMetadataTemplateName(), fields);
    Json::Value reply = Box_20::CallBoxAPIWithRichErrorLogging(nullptr, Informer().get(), url,
                                                               Box_20::BoxConstants().VerbGet, _variant_t(), false);
    if (reply.isNull()) {
        LOG(ERROR) << " Unable to retrieve online search ids: \n";
        throw Box_20::JoinWithSpace(L"LSBoxOnlineSearchPageResults::runQuery", L"Json response from Box is null");
    }
    return reply;
}
