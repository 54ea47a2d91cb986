#pragma once
// In-memory stand-in for the host's property map of an Outlook item or folder.

#include "HostComObject.h"
#include "ComPtr.h"
#include "VESKSyncBasicsLib.h"

#include <map>
#include <optional>
#include <string>
#include <variant>

namespace TestHost {

// Properties are typed by their last write; a read through another type's accessor fails, so a
// test sees a property written with the wrong accessor. Names are compared exactly.
class TestPropertyMap final
    : public HostComObject<ILSPropertyMap, ILSNamedPropertyTags> {
public:
    // What a read of an absent property returns: MAPI's not-found code, as a MAPI store answers.
    static constexpr HRESULT kNotFound = static_cast<HRESULT>(0x8004010F);
    enum class NamedTags { Offered, NotOffered };

    static TalvernCommon::com_ptr<TestPropertyMap> Create(NamedTags namedTags = NamedTags::Offered);
    // The tag (PT_UNSPECIFIED) that ILSNamedPropertyTags gives for a numeric named-property id.
    static long TagForNamedId(long namedId);

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;

    // ILSPropertyMap
    HRESULT STDMETHODCALLTYPE get_ItemStr(BSTR name, BSTR* value) override;
    HRESULT STDMETHODCALLTYPE put_ItemStr(BSTR name, BSTR value) override;
    HRESULT STDMETHODCALLTYPE get_ItemNum(BSTR name, LONG* value) override;
    HRESULT STDMETHODCALLTYPE put_ItemNum(BSTR name, LONG value) override;
    HRESULT STDMETHODCALLTYPE get_ItemDate(BSTR name, DATE* value) override;
    HRESULT STDMETHODCALLTYPE put_ItemDate(BSTR name, DATE value) override;
    HRESULT STDMETHODCALLTYPE get_ItemExists(BSTR name, VARIANT_BOOL* exists) override;
    HRESULT STDMETHODCALLTYPE get_ItemBool(BSTR name, unsigned char* value) override;
    HRESULT STDMETHODCALLTYPE put_ItemBool(BSTR name, unsigned char value) override;
    HRESULT STDMETHODCALLTYPE put_ItemStrs(VARIANT nameTabValues) override;
    HRESULT STDMETHODCALLTYPE Reserved7() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reserved9() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reserved12() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reserved13() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reserved14() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reserved15() override { return E_NOTIMPL; }

    // ILSNamedPropertyTags
    HRESULT STDMETHODCALLTYPE Reserved1() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetTagForNamedId(LONG namedId, LONG* tag) override;

    // Every property with its value, by name: what a host persists of an item.
    using Value = std::variant<std::wstring, long, DATE, bool>;
    const std::map<std::wstring, Value>& Values() const { return values_; }

    // Test side: seed and inspect values, make writes of one name fail.
    void SetText(const std::wstring& name, const std::wstring& value) { values_[name] = value; }
    void SetNumber(const std::wstring& name, long value) { values_[name] = value; }
    void SetDate(const std::wstring& name, DATE value) { values_[name] = value; }
    void SetFlag(const std::wstring& name, bool value) { values_[name] = value; }
    void Remove(const std::wstring& name) { values_.erase(name); }
    std::optional<std::wstring> Text(const std::wstring& name) const { return Inspect<std::wstring>(name); }
    std::optional<long> Number(const std::wstring& name) const { return Inspect<long>(name); }
    std::optional<DATE> Date(const std::wstring& name) const { return Inspect<DATE>(name); }
    std::optional<bool> Flag(const std::wstring& name) const { return Inspect<bool>(name); }
    bool Has(const std::wstring& name) const { return values_.count(name) != 0; }
    size_t Count() const { return values_.size(); }
    void FailWrites(const std::wstring& name, HRESULT failure) { failingWrites_[name] = failure; }
    // Reads of the name fail although the property is there.
    void FailReads(const std::wstring& name, HRESULT failure) { failingReads_[name] = failure; }
    // The byte the last boolean put of the name received, as the host got it.
    std::optional<unsigned char> BoolByte(const std::wstring& name) const { return Find(boolBytes_, name); }
    int ItemStrsCalls() const { return itemStrsCalls_; }

private:
    explicit TestPropertyMap(NamedTags namedTags) : namedTags_(namedTags) {}

    template <class T, class Out>
    HRESULT Read(BSTR name, Out* value) const;
    template <class T>
    HRESULT Write(BSTR name, T value);
    template <class T>
    std::optional<T> Inspect(const std::wstring& name) const
    {
        const std::optional<Value> value = Find(values_, name);
        const T* typed = value ? std::get_if<T>(&*value) : nullptr;
        return typed ? std::optional<T>(*typed) : std::nullopt;
    }
    template <class T>
    static std::optional<T> Find(const std::map<std::wstring, T>& entries, const std::wstring& name)
    {
        const auto found = entries.find(name);
        return found == entries.end() ? std::nullopt : std::optional<T>(found->second);
    }
    HRESULT InjectedFailure(const std::wstring& name) const { return Find(failingWrites_, name).value_or(S_OK); }

    const NamedTags namedTags_;
    std::map<std::wstring, Value> values_;
    std::map<std::wstring, HRESULT> failingWrites_;
    std::map<std::wstring, HRESULT> failingReads_;
    std::map<std::wstring, unsigned char> boolBytes_;
    int itemStrsCalls_ = 0;
};

} // namespace TestHost
