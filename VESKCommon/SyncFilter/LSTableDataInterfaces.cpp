#include "LSTableDataInterfaces.h"

#include "ComOwners.h"
#include "HResultException.h"
#include "LSBaseJsonWS.h"
#include "LSDiag.h"
#include "LSSetting.h"
#include "NarrowCasts.h"

#include <json/json.h>

#include <stdexcept>

namespace LSTableDataOnlineDocResults {

namespace {

constexpr wchar_t kCustomColumnsSettingPrefix[] = L"VESK.OnlineSearchCustomColumns.";
constexpr wchar_t kRecentDocsRepositoryType[] = L"SharePoint";
constexpr wchar_t kRecentDocsDefaultColumns[] =
    L"[{ \"Id\":\"docId\",\"DisplayName\":\"DocId\",\"InternalName\":\"DlcDocId\",\"Type\":\"String\"}]";

CStdStr<wchar_t> MemberText(const Json::Value& object, const char* name)
{
    return GetThreadUtf8Converter().from_bytes(object[name].asString());
}

LSCustomColumnType ColumnType(const CStdStr<wchar_t>& text)
{
    static const std::pair<const wchar_t*, LSCustomColumnType> kTypes[] = {
        {L"String", LSCustomColumnType::String},
        {L"Number", LSCustomColumnType::Number},
        {L"DateTime", LSCustomColumnType::DateTime},
        {L"DateOnly", LSCustomColumnType::DateOnly},
    };
    for (const auto& [name, type] : kTypes) {
        if (text == name)
            return type;
    }
    throw Json::LogicError("Invalid or missing Type");
}

LSCustomColumn ToCustomColumn(const Json::Value& value)
{
    if (!value.isObject()) {
        LOG(ERROR) << "GetCustomColumns: invalid json: " << value.toStyledString();
        throw Json::LogicError("Expected single pair");
    }
    LSCustomColumn column;
    column.Type = ColumnType(MemberText(value, "Type"));
    column.Id = value.isMember("Id") ? MemberText(value, "Id") : CStdStr<wchar_t>();
    column.InternalName = MemberText(value, "InternalName");
    column.DisplayName = MemberText(value, "DisplayName");
    return column;
}

} // namespace

std::vector<LSCustomColumn> GetCustomColumns(const CStdStr<wchar_t>& repositoryType)
{
    const CStdStr<wchar_t> defaultColumns =
        GetAddOnlineRecentDocsFolderSetting() && repositoryType.Equals(kRecentDocsRepositoryType, false)
            ? kRecentDocsDefaultColumns
            : L"";
    const CStdStr<wchar_t> configured =
        LSSetting::GetInstance().GetUserString(kCustomColumnsSettingPrefix + repositoryType, defaultColumns);
    return CLSBaseJsonWS::ParseJsonListToVector<LSCustomColumn>(configured, ToCustomColumn)
        .value_or(std::vector<LSCustomColumn>());
}

} // namespace LSTableDataOnlineDocResults

bool GetAddOnlineRecentDocsFolderSetting()
{
    return LSSetting::GetInstance().GetUserDword(L"VESKSPSSync.AddOnlineRecentDocsFolder", 0) != 0;
}

namespace {

void ThrowIfFailed(HRESULT hr, const char* what)
{
    if (FAILED(hr))
        throw hresult_exception(hr, what);
}

// The cells of the host's criteria table, taken over from its VARIANT.
LSSafeArrayTable TakeCriteriaTable(VARIANT& cells, const char* invalidText)
{
    if (cells.vt != (VT_ARRAY | VT_VARIANT))
        throw hresult_exception(E_INVALIDARG, invalidText);
    TalvernCommon::unique_safearray array(cells.parray);
    ::VariantInit(&cells);
    VARTYPE elementType = VT_EMPTY;
    if (!array || FAILED(::SafeArrayGetVartype(array.get(), &elementType)) || elementType != VT_VARIANT ||
        ::SafeArrayGetDim(array.get()) != 1)
        throw hresult_exception(E_INVALIDARG, invalidText);
    LONG lower = 0;
    LONG upper = -1;
    ThrowIfFailed(::SafeArrayGetLBound(array.get(), 1, &lower), invalidText);
    ThrowIfFailed(::SafeArrayGetUBound(array.get(), 1, &upper), invalidText);
    const int64_t cellCount = static_cast<int64_t>(upper) - lower + 1;
    if (lower != 0 || cellCount % 3 != 0)
        throw hresult_exception(E_INVALIDARG, invalidText);
    return LSSafeArrayTable(3, static_cast<uint32_t>(cellCount / 3),
                            std::shared_ptr<SAFEARRAY>(array.release(), ::SafeArrayDestroy));
}

_variant_t Converted(const _variant_t& cell, VARTYPE type)
{
    _variant_t converted;
    ThrowIfFailed(::VariantChangeType(&converted, const_cast<_variant_t*>(&cell), 0, type), "match cell cannot be converted");
    return converted;
}

int32_t IntCell(const LSSafeArrayTable& table, uint32_t row, uint32_t column)
{
    return Converted(table.GetElementIndex(row, column), VT_INT).intVal;
}

template <typename Match, typename FillRow>
void ReadMatches(VARIANT& cells, std::vector<Match>& matches, const char* invalidText, FillRow fillRow)
{
    matches.clear();
    if (cells.vt == VT_EMPTY)
        return;
    const LSSafeArrayTable table = TakeCriteriaTable(cells, invalidText);
    matches.resize(table.Rows());
    for (uint32_t row = 0; row < table.Rows(); ++row) {
        Match& match = matches[row];
        fillRow(table, row, match);
        match.Value = table.GetElementIndex(row, 1);
        match.Kind = IntCell(table, row, 2);
    }
}

} // namespace

void LSStandardMatchesFromSafeArray(VARIANT& cells, LSStandardMatches& matches)
{
    ReadMatches(cells, matches, "Invalid LSStandardMatches data",
                [](const LSSafeArrayTable& table, uint32_t row, LSStandardMatch& match) {
                    match.Column =
                        static_cast<LSTableDataOnlineDocResults::LSStandardColumns>(IntCell(table, row, 0));
                });
}

void LSCustomMatchesFromSafeArray(VARIANT& cells, LSCustomMatches& matches)
{
    ReadMatches(cells, matches, "Invalid LSCustomMatches data",
                [](const LSSafeArrayTable& table, uint32_t row, LSCustomMatch& match) {
                    const _variant_t name = Converted(table.GetElementIndex(row, 0), VT_BSTR);
                    match.ColumnName = name.bstrVal != nullptr ? name.bstrVal : L"";
                });
}

bool MatchValuesEqual(const VARIANT& first, const VARIANT& second)
{
    if (first.vt == VT_NULL && second.vt == VT_NULL)
        return true;
    if (first.vt != second.vt)
        return false;
    switch (first.vt) {
    case VT_I1:
        return first.cVal == second.cVal;
    case VT_UI2:
        return first.uiVal == second.uiVal;
    case VT_UI4:
        return first.ulVal == second.ulVal;
    case VT_UI8:
        return first.ullVal == second.ullVal;
    default:
        return ::VarCmp(const_cast<VARIANT*>(&first), const_cast<VARIANT*>(&second), LOCALE_USER_DEFAULT, 0) ==
               static_cast<HRESULT>(VARCMP_EQ);
    }
}

_variant_t LSSafeArrayTable::GetElementIndex(uint32_t row, uint32_t column) const
{
    const uint64_t index = static_cast<uint64_t>(row) * m_columns + column;
    if (index >= static_cast<uint64_t>(m_columns) * m_rows || column >= m_columns || row >= m_rows)
        throw hresult_exception(E_INVALIDARG, "Invalid args to GetElementIndex");
    LONG at = TalvernCommon::narrowcasts::narrow<LONG>(index);
    _variant_t cell;
    ThrowIfFailed(::SafeArrayGetElement(m_cells.get(), &at, &cell), "match cell cannot be read");
    return cell;
}

const _variant_t* LSOnlineResultNamedPropertyList::FindValueByKey(const CStdStr<wchar_t>& name) const
{
    for (const auto& [key, value] : m_properties) {
        if (key == name)
            return &value;
    }
    return nullptr;
}
