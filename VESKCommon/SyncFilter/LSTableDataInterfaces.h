// The vocabulary of the host's online results table, whatever the repository: its standard
// columns, the extra columns configured per repository type, the search criteria the host sends as
// tables of VARIANT cells, and one result row's values by property name.
#pragma once

#include "ComDef.h"
#include "StdString.h"

#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

namespace LSTableDataOnlineDocResults {

// Result columns every repository can fill. Columns 0 and 1 carry the row's entry id and its
// position; no repository field maps to them.
enum LSStandardColumns : int32_t {
    EntryIdColumn = 0,
    RowNumberColumn = 1,
    DocumentNameColumn = 2,
    SizeColumn = 3,
    SenderColumn = 4,
    ReceivedTimeColumn = 5,
    ToColumn = 6,
    CcColumn = 7,
    BccColumn = 8,
    SubjectColumn = 9,
    HasAttachmentsColumn = 10,
};

enum class LSCustomColumnType : int32_t { String = 0, Number = 1, DateTime = 2, DateOnly = 3 };

struct LSCustomColumn {
    // The repository's field name of the column.
    CStdStr<wchar_t> InternalName;
    CStdStr<wchar_t> DisplayName;
    LSCustomColumnType Type = LSCustomColumnType::String;
    CStdStr<wchar_t> Id;
};

// The columns configured under "VESK.OnlineSearchCustomColumns.<type>" as a JSON array (or object)
// of {"InternalName", "DisplayName", "Type", "Id"}. Any fault in the configuration is logged and
// gives no columns at all, never a partial list; never throws.
std::vector<LSCustomColumn> GetCustomColumns(const CStdStr<wchar_t>& repositoryType);

} // namespace LSTableDataOnlineDocResults

// "VESKSPSSync.AddOnlineRecentDocsFolder" is non-zero.
bool GetAddOnlineRecentDocsFolderSetting();

// One search criterion on a standard column; what the comparison kind means belongs to the search.
struct LSStandardMatch {
    LSTableDataOnlineDocResults::LSStandardColumns Column = LSTableDataOnlineDocResults::EntryIdColumn;
    _variant_t Value;
    int32_t Kind = 0;
};

// One search criterion on a custom column, named by its internal name.
struct LSCustomMatch {
    CStdStr<wchar_t> ColumnName;
    _variant_t Value;
    int32_t Kind = 0;
};

using LSStandardMatches = std::vector<LSStandardMatch>;
using LSCustomMatches = std::vector<LSCustomMatch>;

// The host's criteria: VT_EMPTY (none) or a one-dimensional VT_ARRAY | VT_VARIANT of cells, three
// per row (column, value, comparison kind). The array is taken over and the VARIANT left empty.
// Bad data throws hresult_exception E_INVALIDARG ("Invalid LSStandardMatches data"); a cell that
// cannot be converted throws the conversion's HRESULT.
void LSStandardMatchesFromSafeArray(VARIANT& cells, LSStandardMatches& matches);
void LSCustomMatchesFromSafeArray(VARIANT& cells, LSCustomMatches& matches);

// Equality of two criteria values: same type, and then the same number or VarCmp equality.
bool MatchValuesEqual(const VARIANT& first, const VARIANT& second);

// A one-dimensional SAFEARRAY of VARIANT read as rows of a fixed number of columns.
class LSSafeArrayTable {
public:
    LSSafeArrayTable(uint32_t columns, uint32_t rows, std::shared_ptr<SAFEARRAY> cells)
        : m_columns(columns), m_rows(rows), m_cells(std::move(cells))
    {
    }

    // A copy of the cell; throws hresult_exception E_INVALIDARG "Invalid args to GetElementIndex"
    // outside the table.
    _variant_t GetElementIndex(uint32_t row, uint32_t column) const;

    uint32_t Rows() const { return m_rows; }

private:
    uint32_t m_columns;
    uint32_t m_rows;
    std::shared_ptr<SAFEARRAY> m_cells;
};

// One result row: property names and values, in the order they were added.
class LSOnlineResultNamedPropertyList {
public:
    virtual ~LSOnlineResultNamedPropertyList() = default;

    void Add(CStdStr<wchar_t> name, _variant_t value) { m_properties.emplace_back(std::move(name), std::move(value)); }
    void Reserve(size_t count) { m_properties.reserve(count); }
    // The value of the first property of exactly that name (letter case included); null for none.
    const _variant_t* FindValueByKey(const CStdStr<wchar_t>& name) const;

private:
    std::vector<std::pair<CStdStr<wchar_t>, _variant_t>> m_properties;
};
