#include "LSSyncHelper.h"

#include "ComOwners.h"
#include "HResultException.h"
#include "LSIsoDates.h"
#include "StringUtils.h"

#include <oleauto.h>

#include <new>
#include <optional>

namespace {

std::optional<SYSTEMTIME> ParseIsoUtc(std::wstring_view text)
{
    const std::optional<uint64_t> ticks = ParseIsoDateTimeUtc(text);
    if (!ticks)
        return std::nullopt;
    const FILETIME fileTime{static_cast<DWORD>(*ticks), static_cast<DWORD>(*ticks >> 32)};
    SYSTEMTIME utc{};
    if (!::FileTimeToSystemTime(&fileTime, &utc))
        return std::nullopt;
    return utc;
}

TalvernCommon::unique_variant TextVariant(const std::wstring& text)
{
    TalvernCommon::unique_variant variant;
    variant.get()->bstrVal = StdStrToBstr(text);
    variant.get()->vt = VT_BSTR;
    return variant;
}

HRESULT ConvertText(const std::wstring& text, VARTYPE type, TalvernCommon::unique_variant& converted)
{
    const TalvernCommon::unique_variant source = TextVariant(text);
    return ::VariantChangeType(converted.put(), const_cast<VARIANT*>(source.get()), 0, type);
}

HRESULT WriteNumber(const LSFieldInfo& field, ILSPropertyMap* propMap, const std::wstring& value, VARTYPE type)
{
    // Converting to the field's own type first keeps its range; the map then takes a 32-bit number.
    TalvernCommon::unique_variant typed;
    HRESULT hr = ConvertText(value, type, typed);
    if (FAILED(hr))
        return hr;
    TalvernCommon::unique_variant number;
    hr = ::VariantChangeType(number.get(), typed.get(), 0, VT_I4);
    if (FAILED(hr))
        return hr;
    return propMap->put_ItemNum(field.PropertyName, number.get()->lVal);
}

HRESULT WriteDate(const LSFieldInfo& field, ILSPropertyMap* propMap, const std::wstring& value)
{
    _variant_t date;
    if (!LSSyncHelper::ConvertDateVariant(value, date, false)) {
        TalvernCommon::unique_variant localeDate;
        const HRESULT hr = ConvertText(value, VT_DATE, localeDate);
        if (FAILED(hr))
            return hr;
        date = *localeDate.get();
    }
    return propMap->put_ItemDate(field.PropertyName, date.date);
}

HRESULT WriteBool(const LSFieldInfo& field, ILSPropertyMap* propMap, const std::wstring& value)
{
    TalvernCommon::unique_variant flag;
    const HRESULT hr = ConvertText(value, VT_BOOL, flag);
    if (FAILED(hr))
        return hr;
    return propMap->put_ItemBool(field.PropertyName, flag.get()->boolVal != VARIANT_FALSE ? 1 : 0);
}

HRESULT WriteField(const LSFieldInfo& field, ILSPropertyMap* propMap, const std::wstring& value)
{
    if (propMap == nullptr || ::SysStringLen(field.PropertyName) == 0)
        return E_INVALIDARG;
    if (field.FieldType < 0 || field.FieldType > 0xFFFF)
        return DISP_E_BADVARTYPE;
    const auto type = static_cast<VARTYPE>(field.FieldType);
    switch (type) {
    case VT_BSTR: {
        const TalvernCommon::unique_bstr text(StdStrToBstr(value));
        return propMap->put_ItemStr(field.PropertyName, text.get());
    }
    case VT_I1:
    case VT_UI1:
    case VT_I2:
    case VT_UI2:
    case VT_I4:
    case VT_UI4:
    case VT_INT:
    case VT_UINT:
        return WriteNumber(field, propMap, value, type);
    case VT_DATE:
        return WriteDate(field, propMap, value);
    case VT_BOOL:
        return WriteBool(field, propMap, value);
    default:
        return DISP_E_BADVARTYPE;
    }
}

} // namespace

namespace LSSyncHelper {

DATE ChangeVariantType(const VARIANT& value)
{
    TalvernCommon::unique_variant date;
    const HRESULT hr = ::VariantChangeType(date.get(), const_cast<VARIANT*>(&value), 0, VT_DATE);
    if (FAILED(hr))
        throw hresult_exception(hr, "LSSyncHelper::ChangeVariantType: the value is no date");
    return date.get()->date;
}

bool ConvertDateVariant(const std::wstring& text, _variant_t& date, bool toLocalTime)
{
    date.Clear();
    std::optional<SYSTEMTIME> time = ParseIsoUtc(text);
    if (!time)
        return false;
    if (toLocalTime) {
        SYSTEMTIME local{};
        if (!::SystemTimeToTzSpecificLocalTime(nullptr, &*time, &local))
            return false;
        time = local;
    }
    DATE value = 0;
    if (!::SystemTimeToVariantTime(&*time, &value))
        return false;
    date = _variant_t(value, VT_DATE);
    return true;
}

CStdStr<wchar_t> FormatDateTime(DATE date)
{
    SYSTEMTIME time{};
    if (!::VariantTimeToSystemTime(date, &time))
        return FormatWide(L"%f", date);
    return FormatWide(L"%hu-%.2hu-%.2hu%s%.2hu:%.2hu:%.2hu", time.wYear, time.wMonth, time.wDay, L" ", time.wHour,
                      time.wMinute, time.wSecond);
}

HRESULT setFieldValue(const LSFieldInfo& fieldInfo, ILSPropertyMap* propMap, const std::wstring& value)
{
    try {
        return WriteField(fieldInfo, propMap, value);
    } catch (const hresult_exception& error) {
        return error.hr();
    } catch (const _com_error& error) {
        return error.Error();
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

} // namespace LSSyncHelper
