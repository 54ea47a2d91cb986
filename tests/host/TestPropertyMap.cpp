#include "TestPropertyMap.h"

#include "BstrText.h"
#include "StringUtils.h"

#include <type_traits>
#include <utility>
#include <vector>

namespace TestHost {

TalvernCommon::com_ptr<TestPropertyMap> TestPropertyMap::Create(NamedTags namedTags)
{
    return TalvernCommon::com_ptr<TestPropertyMap>::attach(new TestPropertyMap(namedTags));
}

long TestPropertyMap::TagForNamedId(long namedId)
{
    // Named properties live in the 0x8000-0xFFFE id range of a store.
    const unsigned long id = 0x8000u | (static_cast<unsigned long>(namedId) & 0x7FFFu);
    return static_cast<long>(id << 16);
}

HRESULT STDMETHODCALLTYPE TestPropertyMap::QueryInterface(REFIID iid, void** out)
{
    if (out && iid == __uuidof(ILSNamedPropertyTags) && namedTags_ == NamedTags::NotOffered) {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    return HostComObject::QueryInterface(iid, out);
}

// A property needs a name; a null BSTR is the empty text.
template <class T, class Out>
HRESULT TestPropertyMap::Read(BSTR name, Out* value) const
{
    if (!value)
        return E_POINTER;
    if (!SysStringLen(name))
        return E_INVALIDARG;
    return Guarded([&] {
        const std::wstring key = BstrText(name);
        if (const auto failing = failingReads_.find(key); failing != failingReads_.end())
            return failing->second;
        const auto found = values_.find(key);
        if (found == values_.end())
            return kNotFound;
        const T* typed = std::get_if<T>(&found->second);
        if (!typed)
            return DISP_E_TYPEMISMATCH;
        if constexpr (std::is_same_v<T, std::wstring>)
            *value = StdStrToBstr(*typed);
        else
            *value = static_cast<Out>(*typed);
        return S_OK;
    });
}

template <class T>
HRESULT TestPropertyMap::Write(BSTR name, T value)
{
    if (!SysStringLen(name))
        return E_INVALIDARG;
    return Guarded([&] {
        const std::wstring key = BstrText(name);
        if (const HRESULT hr = InjectedFailure(key); FAILED(hr))
            return hr;
        values_.insert_or_assign(key, Value(std::in_place_type<T>, std::move(value)));
        return S_OK;
    });
}

using Map = TestPropertyMap;
HRESULT STDMETHODCALLTYPE Map::get_ItemStr(BSTR name, BSTR* value) { return Read<std::wstring>(name, value); }
HRESULT STDMETHODCALLTYPE Map::put_ItemStr(BSTR name, BSTR value) { return Write(name, std::wstring(BstrText(value))); }
HRESULT STDMETHODCALLTYPE Map::get_ItemNum(BSTR name, LONG* value) { return Read<long>(name, value); }
HRESULT STDMETHODCALLTYPE Map::put_ItemNum(BSTR name, LONG value) { return Write(name, long{value}); }
HRESULT STDMETHODCALLTYPE Map::get_ItemDate(BSTR name, DATE* value) { return Read<DATE>(name, value); }
HRESULT STDMETHODCALLTYPE Map::put_ItemDate(BSTR name, DATE value) { return Write(name, value); }
HRESULT STDMETHODCALLTYPE Map::get_ItemBool(BSTR name, unsigned char* value) { return Read<bool>(name, value); }

HRESULT STDMETHODCALLTYPE TestPropertyMap::put_ItemBool(BSTR name, unsigned char value)
{
    const HRESULT hr = Write(name, value != 0);
    return SUCCEEDED(hr) ? Guarded([&] { boolBytes_[BstrText(name)] = value; return S_OK; }) : hr;
}

HRESULT STDMETHODCALLTYPE TestPropertyMap::get_ItemExists(BSTR name, VARIANT_BOOL* exists)
{
    if (!exists)
        return E_POINTER;
    if (!SysStringLen(name))
        return E_INVALIDARG;
    return Guarded([&] { *exists = Has(BstrText(name)) ? VARIANT_TRUE : VARIANT_FALSE; return S_OK; });
}

// All or nothing: a malformed element or a failing name leaves every property as it was. Every
// element must be "name", TAB, "value" with a non-empty name; the value may hold more TABs.
HRESULT STDMETHODCALLTYPE TestPropertyMap::put_ItemStrs(VARIANT nameTabValues)
{
    ++itemStrsCalls_;
    SAFEARRAY* array = nameTabValues.parray;
    if (nameTabValues.vt != (VT_ARRAY | VT_BSTR) || !array || SafeArrayGetDim(array) != 1)
        return E_INVALIDARG;
    return Guarded([&] {
        std::vector<std::pair<std::wstring, std::wstring>> pairs;
        const SAFEARRAYBOUND bound = array->rgsabound[0];
        for (LONG i = bound.lLbound; i < bound.lLbound + static_cast<LONG>(bound.cElements); ++i) {
            BSTR* element = nullptr;
            if (const HRESULT hr = SafeArrayPtrOfIndex(array, &i, reinterpret_cast<void**>(&element)); FAILED(hr))
                return hr;
            const std::wstring text = BstrText(*element);
            const size_t tab = text.find(L'\t');
            if (tab == std::wstring::npos || tab == 0)
                return E_INVALIDARG;
            pairs.emplace_back(text.substr(0, tab), text.substr(tab + 1));
        }
        for (const auto& pair : pairs) {
            if (const HRESULT hr = InjectedFailure(pair.first); FAILED(hr))
                return hr;
        }
        for (auto& pair : pairs)
            values_.insert_or_assign(std::move(pair.first), Value(std::move(pair.second)));
        return S_OK;
    });
}

HRESULT STDMETHODCALLTYPE TestPropertyMap::GetTagForNamedId(LONG namedId, LONG* tag)
{
    if (!tag)
        return E_POINTER;
    *tag = TagForNamedId(namedId);
    return S_OK;
}

} // namespace TestHost
