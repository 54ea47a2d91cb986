#include "LSDispatchImpl.h"

#include "LSComBoundary.h"
#include "LSModule.h"

#include <oleauto.h>

HRESULT LSLoadRegisteredTypeInfo(REFGUID libid, WORD major, WORD minor, REFIID iid, ITypeInfo** info) noexcept
{
    TalvernCommon::com_ptr<ITypeLib> typeLib;
    const HRESULT hr = ::LoadRegTypeLib(libid, major, minor, LANG_NEUTRAL, typeLib.put());
    return FAILED(hr) ? hr : typeLib->GetTypeInfoOfGuid(iid, info);
}

HRESULT LSLoadModuleTypeInfo(HMODULE module, REFIID iid, ITypeInfo** info) noexcept
{
    try {
        const CStdStr<wchar_t> path = GetModulePath(module);
        if (path.empty())
            return LSHResultOfLastError();
        TalvernCommon::com_ptr<ITypeLib> typeLib;
        const HRESULT hr = ::LoadTypeLibEx(path.c_str(), REGKIND_NONE, typeLib.put());
        return FAILED(hr) ? hr : typeLib->GetTypeInfoOfGuid(iid, info);
    } catch (...) {
        return LSHResultOfCurrentException();
    }
}
