#include "TestPropertyMap.h"

#include <string_view>
#include <utility>
#include <vector>

namespace TestHost {

namespace {

using NameValue = std::pair<std::wstring, std::wstring>;

std::wstring_view View(BSTR text)
{
    return text ? std::wstring_view(text, SysStringLen(text)) : std::wstring_view();
}

// A property needs a name; a null BSTR is the empty text.
std::optional<std::wstring> NameOf(BSTR name)
{
    if (View(name).empty())
        return std::nullopt;
    return std::wstring(View(name));
}

class SafeArrayAccess {
public:
    explicit SafeArrayAccess(SAFEARRAY* array) : array_(array) {}
    ~SafeArrayAccess()
    {
        if (data_)
            SafeArrayUnaccessData(array_);
    }
    SafeArrayAccess(const SafeArrayAccess&) = delete;
    SafeArrayAccess& operator=(const SafeArrayAccess&) = delete;

    HRESULT Open() { return SafeArrayAccessData(array_, &data_); }
    BSTR* Texts() const { return static_cast<BSTR*>(data_); }

private:
    SAFEARRAY* array_;
    void* data_ = nullptr;
};

// Every element must be "name", TAB, "value" with a non-empty name; the value may hold more TABs.
HRESULT ParseNameTabValues(const VARIANT& nameTabValues, std::vector<NameValue>& pairs)
{
    SAFEARRAY* array = nameTabValues.parray;
    if (nameTabValues.vt != (VT_ARRAY | VT_BSTR) || !array || SafeArrayGetDim(array) != 1)
        return E_INVALIDARG;
    SafeArrayAccess access(array);
    if (const HRESULT hr = access.Open(); FAILED(hr))
        return hr;
    const ULONG count = array->rgsabound[0].cElements;
    for (ULONG i = 0; i < count; ++i) {
        const std::wstring_view text = View(access.Texts()[i]);
        const size_t tab = text.find(L'\t');
        if (tab == std::wstring_view::npos || tab == 0)
            return E_INVALIDARG;
        pairs.emplace_back(text.substr(0, tab), text.substr(tab + 1));
    }
    return S_OK;
}

} // namespace

TalvernCommon::com_ptr<TestPropertyMap> TestPropertyMap::Create(NamedTags namedTags)
{
    return TalvernCommon::com_ptr<TestPropertyMap>::attach(new TestPropertyMap(namedTags));
}

TestPropertyMap::TestPropertyMap(NamedTags namedTags) : namedTags_(namedTags) {}

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

template <class T>
HRESULT TestPropertyMap::Read(BSTR name, T& value) const
{
    const auto key = NameOf(name);
    if (!key)
        return E_INVALIDARG;
    if (const auto failing = failingReads_.find(*key); failing != failingReads_.end())
        return failing->second;
    const auto found = values_.find(*key);
    if (found == values_.end())
        return kNotFound;
    const T* typed = std::get_if<T>(&found->second);
    if (!typed)
        return DISP_E_TYPEMISMATCH;
    value = *typed;
    return S_OK;
}

template <class T>
HRESULT TestPropertyMap::Write(BSTR name, T value)
{
    return Guarded([&] {
        const auto key = NameOf(name);
        if (!key)
            return E_INVALIDARG;
        if (const HRESULT hr = InjectedFailure(*key); FAILED(hr))
            return hr;
        values_.insert_or_assign(*key, Value(std::in_place_type<T>, std::move(value)));
        writeOrder_.push_back(*key);
        return S_OK;
    });
}

HRESULT TestPropertyMap::InjectedFailure(const std::wstring& name) const
{
    const auto found = failingWrites_.find(name);
    return found == failingWrites_.end() ? S_OK : found->second;
}

HRESULT STDMETHODCALLTYPE TestPropertyMap::get_ItemStr(BSTR name, BSTR* value)
{
    if (!value)
        return E_POINTER;
    return Guarded([&] {
        std::wstring text;
        if (const HRESULT hr = Read(name, text); FAILED(hr))
            return hr;
        BSTR copy = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
        if (!copy)
            return E_OUTOFMEMORY;
        *value = copy;
        return S_OK;
    });
}

HRESULT STDMETHODCALLTYPE TestPropertyMap::put_ItemStr(BSTR name, BSTR value)
{
    return Write(name, std::wstring(View(value)));
}

HRESULT STDMETHODCALLTYPE TestPropertyMap::get_ItemNum(BSTR name, LONG* value)
{
    if (!value)
        return E_POINTER;
    long number = 0;
    const HRESULT hr = Read(name, number);
    if (SUCCEEDED(hr))
        *value = number;
    return hr;
}

HRESULT STDMETHODCALLTYPE TestPropertyMap::put_ItemNum(BSTR name, LONG value)
{
    return Write(name, static_cast<long>(value));
}

HRESULT STDMETHODCALLTYPE TestPropertyMap::get_ItemDate(BSTR name, DATE* value)
{
    if (!value)
        return E_POINTER;
    return Read(name, *value);
}

HRESULT STDMETHODCALLTYPE TestPropertyMap::put_ItemDate(BSTR name, DATE value)
{
    return Write(name, value);
}

HRESULT STDMETHODCALLTYPE TestPropertyMap::get_ItemExists(BSTR name, VARIANT_BOOL* exists)
{
    if (!exists)
        return E_POINTER;
    const auto key = NameOf(name);
    if (!key)
        return E_INVALIDARG;
    if (FAILED(existsFailure_))
        return existsFailure_;
    *exists = values_.count(*key) ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE TestPropertyMap::get_ItemBool(BSTR name, unsigned char* value)
{
    if (!value)
        return E_POINTER;
    bool flag = false;
    const HRESULT hr = Read(name, flag);
    if (SUCCEEDED(hr))
        *value = flag ? 1 : 0;
    return hr;
}

HRESULT STDMETHODCALLTYPE TestPropertyMap::put_ItemBool(BSTR name, unsigned char value)
{
    const HRESULT hr = Write(name, value != 0);
    if (SUCCEEDED(hr))
        boolBytes_.insert_or_assign(std::wstring(View(name)), value);
    return hr;
}

// All or nothing: a malformed element or a failing name leaves every property as it was.
HRESULT STDMETHODCALLTYPE TestPropertyMap::put_ItemStrs(VARIANT nameTabValues)
{
    return Guarded([&] {
        ++itemStrsCalls_;
        std::vector<NameValue> pairs;
        if (const HRESULT hr = ParseNameTabValues(nameTabValues, pairs); FAILED(hr))
            return hr;
        for (const auto& pair : pairs) {
            if (const HRESULT hr = InjectedFailure(pair.first); FAILED(hr))
                return hr;
        }
        for (auto& pair : pairs)
            values_.insert_or_assign(std::move(pair.first), Value(std::move(pair.second)));
        return S_OK;
    });
}

HRESULT STDMETHODCALLTYPE TestPropertyMap::Reserved7() { return E_NOTIMPL; }
HRESULT STDMETHODCALLTYPE TestPropertyMap::Reserved9() { return E_NOTIMPL; }
HRESULT STDMETHODCALLTYPE TestPropertyMap::Reserved12() { return E_NOTIMPL; }
HRESULT STDMETHODCALLTYPE TestPropertyMap::Reserved13() { return E_NOTIMPL; }
HRESULT STDMETHODCALLTYPE TestPropertyMap::Reserved14() { return E_NOTIMPL; }
HRESULT STDMETHODCALLTYPE TestPropertyMap::Reserved15() { return E_NOTIMPL; }
HRESULT STDMETHODCALLTYPE TestPropertyMap::Reserved1() { return E_NOTIMPL; }

HRESULT STDMETHODCALLTYPE TestPropertyMap::GetTagForNamedId(LONG namedId, LONG* tag)
{
    if (!tag)
        return E_POINTER;
    if (FAILED(namedTagsFailure_))
        return namedTagsFailure_;
    *tag = TagForNamedId(namedId);
    return S_OK;
}

void TestPropertyMap::SetText(const std::wstring& name, const std::wstring& value)
{
    values_.insert_or_assign(name, Value(value));
}

void TestPropertyMap::SetNumber(const std::wstring& name, long value)
{
    values_.insert_or_assign(name, Value(value));
}

void TestPropertyMap::SetDate(const std::wstring& name, DATE value)
{
    values_.insert_or_assign(name, Value(value));
}

void TestPropertyMap::SetFlag(const std::wstring& name, bool value)
{
    values_.insert_or_assign(name, Value(value));
}

void TestPropertyMap::Remove(const std::wstring& name) { values_.erase(name); }

template <class T>
std::optional<T> TestPropertyMap::Inspect(const std::wstring& name) const
{
    const auto found = values_.find(name);
    if (found == values_.end())
        return std::nullopt;
    const T* typed = std::get_if<T>(&found->second);
    return typed ? std::optional<T>(*typed) : std::nullopt;
}

std::optional<std::wstring> TestPropertyMap::Text(const std::wstring& name) const
{
    return Inspect<std::wstring>(name);
}

std::optional<long> TestPropertyMap::Number(const std::wstring& name) const
{
    return Inspect<long>(name);
}

std::optional<DATE> TestPropertyMap::Date(const std::wstring& name) const
{
    return Inspect<DATE>(name);
}

std::optional<bool> TestPropertyMap::Flag(const std::wstring& name) const
{
    return Inspect<bool>(name);
}

bool TestPropertyMap::Has(const std::wstring& name) const { return values_.count(name) != 0; }

size_t TestPropertyMap::Count() const { return values_.size(); }

void TestPropertyMap::FailWrites(const std::wstring& name, HRESULT failure)
{
    failingWrites_.insert_or_assign(name, failure);
}

void TestPropertyMap::FailReads(const std::wstring& name, HRESULT failure)
{
    failingReads_.insert_or_assign(name, failure);
}

std::optional<unsigned char> TestPropertyMap::BoolByte(const std::wstring& name) const
{
    const auto found = boolBytes_.find(name);
    return found == boolBytes_.end() ? std::nullopt : std::optional<unsigned char>(found->second);
}

int TestPropertyMap::ItemStrsCalls() const { return itemStrsCalls_; }

} // namespace TestHost
