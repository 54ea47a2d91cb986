// The Box search behind the host's online results table: the search definition, the last window
// of results and the total. One per filter object.
#pragma once

#include "BoxUrlBuilders.h"
#include "ComDef.h"
#include "ComPtr.h"
#include "LSBoxOnlineSearchResultInfo.h"
#include "LSTableDataInterfaces.h"
#include "StdString.h"
#include "VESKSyncBasicsLib.h"

#include <json/value.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <set>
#include <vector>

class VESKBoxSyncFilterImpl;

class LSBoxOnlineSearchPageResults {
public:
    // The owner outlives the pager (it is the owner's member); it is not owned. Reads the custom
    // columns configured for Box.
    explicit LSBoxOnlineSearchPageResults(VESKBoxSyncFilterImpl* owner);
    virtual ~LSBoxOnlineSearchPageResults() = default;

    LSBoxOnlineSearchPageResults(const LSBoxOnlineSearchPageResults&) = delete;
    LSBoxOnlineSearchPageResults& operator=(const LSBoxOnlineSearchPageResults&) = delete;

    // ---- The search definition: every real change drops the cached window ------------------
    // The folder id is the part after the last "/" of the location.
    void SetRootLocation(const CStdStr<wchar_t>& location);
    void SetSearchText(const CStdStr<wchar_t>& text);
    void SetRestrictSearchText(const CStdStr<wchar_t>& text);
    void SetSort(bool direction, int32_t column);
    // Equal matches (same rows, values equal by MatchValuesEqual) keep the cached window.
    void SetQueryMatches(const LSStandardMatches& standard, const LSCustomMatches& custom);
    const std::vector<LSTableDataOnlineDocResults::LSCustomColumn>& CustomColumns() const { return m_customColumns; }

    // ---- Results ----------------------------------------------------------------------------
    // The number of results the host may page through: Box's total for the definition, at most
    // "BoxSync.CapOnlineResults". Fetches a one-result window when none is cached.
    int32_t GetTotalCount();
    // The "entries" of Box's reply for that window, or null. A window is fetched once and kept
    // until the definition or the window changes; a failed search throws and keeps nothing, so
    // asking again searches again. An empty window, or one beyond what Box pages to, asks
    // nothing and leaves the kept window as it was.
    std::shared_ptr<const Json::Value> FetchPage(int32_t start, int32_t count);
    // The page as VT_ARRAY | VT_VARIANT: per result the entry id, its position, the standard
    // columns and the custom columns. A negative start or count throws E_INVALIDARG.
    VARIANT GetOnlinePage(int32_t start, int32_t count);

    // The details an entry id of a page names; bad ids throw hresult_exception E_INVALIDARG.
    LSBoxOnlineSearchResultInfo DecodeEntryId(const VARIANT& entryId) const;
    // A link to a preview of a message file; empty for other files and when Box gives none.
    CStdStr<wchar_t> GetPreviewPath(const CStdStr<wchar_t>& itemId, const CStdStr<wchar_t>& fileName) const;
    static bool IsMsgFileName(const CStdStr<wchar_t>& fileName);

    void ClearCachedPage();
    void SetCachedPage(std::shared_ptr<const Json::Value> reply, int32_t start, int32_t count);

    // One result's values by property name, the metadata of the e-mail template flattened into
    // "metadata/<field>".
    class LSBoxNamedPropertyList : public LSOnlineResultNamedPropertyList {
    public:
        explicit LSBoxNamedPropertyList(const Json::Value& result);
        // The entry id of the result (VT_ARRAY | VT_UI1); throws hresult_exception E_INVALIDARG
        // "Missing entryid args" without a text "parent", "id" and "name".
        virtual _variant_t GetEntryId() const;

    private:
        void AddMetadataFields(const Json::Value& metadata);
    };

private:
    struct CachedPage {
        std::shared_ptr<const Json::Value> Reply;
        int32_t Start = 0;
        int32_t Count = 0;
    };
    struct Sort {
        bool Direction = false;
        int32_t Column = 0;
    };

    // Every real change of the definition: the kept window and any reply still on its way belong
    // to the old one.
    void DefinitionChanged();
    // Box's reply for the window, kept only while the definition it was asked for is current.
    std::shared_ptr<const Json::Value> WindowReply(int32_t start, int32_t count);

    // The requests of one window (LSBoxOnlineSearchPageResultsRequest.cpp): one reply with the
    // entries of as many searches as Box's page limit needs.
    Json::Value SearchWindow(int32_t start, int32_t count) const;
    Box_20::FileSearchParameters BuildQueryParameters() const;
    std::set<CStdStr<wchar_t>> GetSearchFields() const;
    Json::Value runQuery(const Box_20::FileSearchParameters& parameters, const CStdStr<wchar_t>& fields,
                         const CStdStr<wchar_t>& rootFolderId, int32_t start, int32_t count) const;

    // The field of a standard column; empty for columns without one.
    CStdStr<wchar_t> StandardColumnField(int32_t column) const;
    void FillStandardCell(VARIANT* rowCells, const LSBoxNamedPropertyList& properties, int32_t column) const;
    TalvernCommon::com_ptr<ILSShutdownInformer> Informer() const;

    std::vector<LSTableDataOnlineDocResults::LSCustomColumn> m_customColumns;
    std::vector<std::pair<LSTableDataOnlineDocResults::LSStandardColumns, CStdStr<wchar_t>>> m_standardColumnFields;
    CStdStr<wchar_t> m_rootFolderId;
    CStdStr<wchar_t> m_searchText;
    CStdStr<wchar_t> m_restrictSearchText;
    LSStandardMatches m_standardMatches;
    LSCustomMatches m_customMatches;
    std::optional<Sort> m_sort;
    std::optional<CachedPage> m_cachedPage;
    // Counts the definition's changes: a request's wait dispatches the host's messages, and a
    // handler may change the definition before the reply arrives.
    uint64_t m_definitionVersion = 0;
    VESKBoxSyncFilterImpl* m_owner;
};
