#include "LSPropertyHelpers.h"

#include "BstrText.h"
#include "ComOwners.h"
#include "LSDiag.h"

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
    CheckPropMap(propMap);
    TalvernCommon::unique_bstr value;
    if (FAILED(propMap->get_ItemStr(name, value.put())))
        return CStdStr<wchar_t>(defaultValue);
    if (!value)
        return {};
    return CStdStr<wchar_t>(std::wstring(value.get(), ::SysStringLen(value.get())));
}

CStdStr<wchar_t> getProp(ILSPropertyMap* propMap, const _bstr_t& name, const wchar_t* defaultValue)
{
    return getProp(propMap, name, std::wstring(defaultValue != nullptr ? defaultValue : L""));
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

} // namespace LSPropertyHelpers
