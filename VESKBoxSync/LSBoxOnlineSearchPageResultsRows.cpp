// The rows of a page of search results: one result's values by name, and its cells.
#include "LSBoxOnlineSearchPageResults.h"

#include "BoxDates.h"
#include "BoxExceptions.h"
#include "ByteArrays.h"
#include "ComOwners.h"
#include "HResultException.h"
#include "LSDiag.h"
#include "NarrowCasts.h"
#include "StringUtils.h"
#include "Utf8Converter.h"

#include <algorithm>
#include <cstring>

namespace {

using namespace LSTableDataOnlineDocResults;

constexpr int32_t kFixedColumns = 11;
constexpr char kEnterpriseScopePrefix[] = "enterprise_";

CStdStr<wchar_t> Wide(const std::string& utf8) { return GetThreadUtf8Converter().from_bytes(utf8); }

_variant_t TextValue(const Json::Value& value) { return _variant_t(Wide(value.asString()).c_str()); }

_variant_t Int64Value(int64_t number)
{
    _variant_t value;
    value.vt = VT_I8;
    value.llVal = number;
    return value;
}

// A cell takes over the value; cells start VT_EMPTY.
void PutCell(VARIANT& cell, _variant_t value)
{
    ::VariantClear(&cell);
    cell = value.Detach();
}

// A text that is no date leaves its cell empty rather than failing the whole page.
void PutDateCell(VARIANT& cell, BSTR boxDate)
{
    try {
        _variant_t value;
        value.vt = VT_UI8;
        value.ullVal = Box_20::GetDateFromString(boxDate != nullptr ? boxDate : L"");
        PutCell(cell, std::move(value));
    } catch (const Box_20::ApiException& error) {
        LOG(WARNING) << "LSBoxOnlineSearchPageResults::GetOnlinePage: cell left empty: "
                     << LSDiag::LogText(error.GetText());
    }
}

void CopyCell(VARIANT& cell, const _variant_t& value)
{
    const HRESULT hr = ::VariantCopy(&cell, const_cast<_variant_t*>(&value));
    if (FAILED(hr))
        throw hresult_exception(hr, "a result value cannot be copied into its cell");
}

// The row's position in the whole result list, four bytes, lowest first.
_variant_t RowNumberCell(int32_t position)
{
    TalvernCommon::unique_safearray bytes = TalvernCommon::CreateByteArray(4, "row number");
    {
        const TalvernCommon::SafeArrayData data(bytes.get());
        const uint32_t value = static_cast<uint32_t>(position);
        for (int i = 0; i < 4; ++i)
            data.Bytes()[i] = static_cast<BYTE>(value >> (8 * i));
    }
    return TalvernCommon::ByteArrayVariant(std::move(bytes));
}

} // namespace

LSBoxOnlineSearchPageResults::LSBoxNamedPropertyList::LSBoxNamedPropertyList(const Json::Value& result)
{
    Reserve(result.size());
    for (auto member = result.begin(); member != result.end(); ++member) {
        const std::string key = member.name();
        const CStdStr<wchar_t> name = Wide(key);
        const Json::Value& value = *member;
        _variant_t property;
        if (value.isObject()) {
            if (key == "metadata") {
                AddMetadataFields(value);
                continue;
            }
            if (key == "modified_by")
                property = TextValue(value["name"]);
            else if (key == "parent")
                property = TextValue(value["id"]);
        } else if (value.isString()) {
            property = TextValue(value);
            const CStdStr<wchar_t> extension = GetFileExtension(property.bstrVal);
            if (key == "name" && extension.size() > 0 && extension[0] == L'.')
                Add(L"FileExt", _variant_t(extension.substr(1).c_str()));
        } else if (value.isNumeric()) {
            property = Int64Value(value.asInt64());
        }
        Add(name, std::move(property));
    }
}

void LSBoxOnlineSearchPageResults::LSBoxNamedPropertyList::AddMetadataFields(const Json::Value& metadata)
{
    if (!metadata.isObject() || metadata.empty())
        return;
    const auto first = metadata.begin();
    if (first.name().rfind(kEnterpriseScopePrefix, 0) != 0)
        return;
    const Json::Value& scope = *first;
    if (!scope.isObject() && !scope.isArray())
        return;
    for (const Json::Value& instance : scope) {
        if (!instance.isObject())
            continue;
        for (auto field = instance.begin(); field != instance.end(); ++field) {
            const std::string fieldName = field.name();
            if (fieldName.empty() || fieldName[0] == '$')
                continue;
            _variant_t value;
            if (field->isString())
                value = TextValue(*field);
            else if (field->isBool())
                value = _variant_t(field->asBool());
            else if (field->isNumeric())
                value = Int64Value(field->asInt64());
            Add(L"metadata/" + Wide(fieldName), std::move(value));
        }
    }
}

void LSBoxOnlineSearchPageResults::FillStandardCell(VARIANT* rowCells, const LSBoxNamedPropertyList& properties,
                                                    int32_t column) const
{
    const CStdStr<wchar_t> field = StandardColumnField(column);
    if (field.empty())
        return;
    const _variant_t* value = properties.FindValueByKey(field);
    if (value == nullptr && column == SenderColumn)
        value = properties.FindValueByKey(L"modified_by");
    else if (value == nullptr && column == ReceivedTimeColumn)
        value = properties.FindValueByKey(L"modified_at");
    if (value == nullptr)
        return;
    VARIANT& cell = rowCells[column];
    if (column == ReceivedTimeColumn && value->vt == VT_BSTR)
        PutDateCell(cell, value->bstrVal);
    else if (column == HasAttachmentsColumn && value->vt == VT_I8)
        PutCell(cell, _variant_t(value->llVal != 0));
    else if (cell.vt == VT_EMPTY)
        CopyCell(cell, *value);
}

VARIANT LSBoxOnlineSearchPageResults::GetOnlinePage(int32_t start, int32_t count)
{
    if (start < 0 || count < 0)
        throw hresult_exception(E_INVALIDARG, "a page starts at 0 or later and holds 0 or more results");
    const std::shared_ptr<const Json::Value> fetched = FetchPage(start, count);
    const Json::Value& entries = *fetched;
    if (!entries.isNull() && !entries.isArray())
        throw Box_20::JoinWithSpace(L"LSBoxOnlineSearchPageResults::GetOnlinePage", L"entries from Box are no list");
    const int32_t rows = std::min(count, TalvernCommon::narrowcasts::narrow<int32_t>(entries.size()));
    const int32_t width = kFixedColumns + TalvernCommon::narrowcasts::narrow<int32_t>(m_customColumns.size());
    TalvernCommon::unique_safearray page(
        ::SafeArrayCreateVector(VT_VARIANT, 0, static_cast<ULONG>(static_cast<int64_t>(rows) * width)));
    if (!page)
        throw hresult_exception(E_OUTOFMEMORY, "the page cannot be allocated");
    {
        const TalvernCommon::SafeArrayData data(page.get());
        VARIANT* const cells = reinterpret_cast<VARIANT*>(data.Bytes());
        for (int32_t row = 0; row < rows; ++row) {
            VARIANT* const rowCells = cells + static_cast<size_t>(row) * width;
            const LSBoxNamedPropertyList properties(entries[static_cast<Json::ArrayIndex>(row)]);
            PutCell(rowCells[EntryIdColumn], properties.GetEntryId());
            PutCell(rowCells[RowNumberColumn], RowNumberCell(start + row));
            for (int32_t column = 0; column < kFixedColumns; ++column)
                FillStandardCell(rowCells, properties, column);
            for (size_t k = 0; k < m_customColumns.size(); ++k) {
                const LSCustomColumn& custom = m_customColumns[k];
                const _variant_t* value = properties.FindValueByKey(custom.InternalName);
                VARIANT& cell = rowCells[kFixedColumns + k];
                const bool isDate =
                    custom.Type == LSCustomColumnType::DateTime || custom.Type == LSCustomColumnType::DateOnly;
                if (value != nullptr && isDate && value->vt == VT_BSTR)
                    PutDateCell(cell, value->bstrVal);
                else if (value != nullptr)
                    CopyCell(cell, *value);
            }
        }
    }
    VARIANT result;
    ::VariantInit(&result);
    result.vt = VT_ARRAY | VT_VARIANT;
    result.parray = page.release();
    return result;
}
