#include "LSPropertyHelpers.h"

#include "BstrText.h"
#include "ComOwners.h"
#include "LSDiag.h"
#include "LSNamedProperties.h"
#include "Utf8Converter.h"

#include <glog/logging.h>

namespace {

std::string NameForLog(const _bstr_t& name)
{
    return LSDiag::LogText(BstrText(name));
}

} // namespace

namespace LSPropertyHelpers {

void CheckPropMap(ILSPropertyMap* propMap)
{
    if (propMap == nullptr) {
        LOG(ERROR) << "pPropMap cannot be NULL";
        throw HRESULT(E_INVALIDARG);
    }
}

CStdStr<wchar_t> getProp(ILSPropertyMap* propMap, const _bstr_t& name, const std::wstring& defaultValue)
{
    return tryGetProp(propMap, name).value_or(CStdStr<wchar_t>(defaultValue));
}

std::optional<CStdStr<wchar_t>> tryGetProp(ILSPropertyMap* propMap, const _bstr_t& name)
{
    CheckPropMap(propMap);
    TalvernCommon::unique_bstr value;
    if (FAILED(propMap->get_ItemStr(name, value.put())))
        return std::nullopt;
    if (!value)
        return CStdStr<wchar_t>();
    return CStdStr<wchar_t>(std::wstring(value.get(), ::SysStringLen(value.get())));
}

CStdStr<wchar_t> getProp(ILSPropertyMap* propMap, const _bstr_t& name, const wchar_t* defaultValue)
{
    return getProp(propMap, name, std::wstring(defaultValue != nullptr ? defaultValue : L""));
}

CStdStr<wchar_t> getRequiredProp(ILSPropertyMap* propMap, const _bstr_t& name)
{
    CheckPropMap(propMap);
    TalvernCommon::unique_bstr value;
    const HRESULT hr = propMap->get_ItemStr(name, value.put());
    if (FAILED(hr))
        _com_issue_error(hr);
    if (!value)
        return {};
    return CStdStr<wchar_t>(std::wstring(value.get(), ::SysStringLen(value.get())));
}

bool getProp(ILSPropertyMap* propMap, const _bstr_t& name, bool defaultValue)
{
    CheckPropMap(propMap);
    unsigned char value = 0;
    if (FAILED(propMap->get_ItemBool(name, &value)))
        return defaultValue;
    return value != 0;
}

void setBoolProp(ILSPropertyMap* propMap, const _bstr_t& name, bool value)
{
    CheckPropMap(propMap);
    const HRESULT hr = propMap->put_ItemBool(name, value ? 1 : 0);
    if (FAILED(hr)) {
        LOG(ERROR) << "Failed to set property " << NameForLog(name) << " on property map: 0x" << std::hex << static_cast<unsigned long>(hr);
        throw hr;
    }
}

bool HasInterimVersionData(ILSPropertyMap* propMap)
{
    return !getProp(propMap, LSNamedProperties::VESKInterimVersionData, L"").empty();
}

HRESULT SetSyncIssue(ILSPropertyMap* propMap, const wchar_t* type, const std::wstring& message)
{
    if (propMap == nullptr)
        return E_INVALIDARG;
    HRESULT hr = propMap->put_ItemStr(LSNamedProperties::QuentraSyncIssueType, _bstr_t(type));
    if (SUCCEEDED(hr) && type[0] != L'\0')
        hr = propMap->put_ItemStr(LSNamedProperties::QuentraSyncIssueMessage, _bstr_t(message.c_str()));
    if (FAILED(hr))
        LOG(ERROR) << "Failed to record sync issue " << WideToUtf8Lossy(type) << " on the item: 0x" << std::hex
                   << static_cast<unsigned long>(hr);
    return hr;
}

} // namespace LSPropertyHelpers
