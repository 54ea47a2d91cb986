#pragma once
// In-memory stand-in for the host's property map of an Outlook item or folder.

#include "HostComObject.h"
#include "ComPtr.h"
#include "VESKSyncBasicsLib.h"

#include <map>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace TestHost {

// Properties are typed by their last write; a read through another type's accessor fails, so a
// test sees a property written with the wrong accessor. Names are compared exactly.
class TestPropertyMap final
    : public HostComObject<NoTypeInfoDispatch<ILSPropertyMap>, ILSNamedPropertyTags> {
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
    HRESULT STDMETHODCALLTYPE Reserved7() override;
    HRESULT STDMETHODCALLTYPE get_ItemExists(BSTR name, VARIANT_BOOL* exists) override;
    HRESULT STDMETHODCALLTYPE Reserved9() override;
    HRESULT STDMETHODCALLTYPE get_ItemBool(BSTR name, unsigned char* value) override;
    HRESULT STDMETHODCALLTYPE put_ItemBool(BSTR name, unsigned char value) override;
    HRESULT STDMETHODCALLTYPE Reserved12() override;
    HRESULT STDMETHODCALLTYPE Reserved13() override;
    HRESULT STDMETHODCALLTYPE Reserved14() override;
    HRESULT STDMETHODCALLTYPE Reserved15() override;
    HRESULT STDMETHODCALLTYPE put_ItemStrs(VARIANT nameTabValues) override;

    // ILSNamedPropertyTags
    HRESULT STDMETHODCALLTYPE Reserved1() override;
    HRESULT STDMETHODCALLTYPE GetTagForNamedId(LONG namedId, LONG* tag) override;

    // Test side: seed and inspect values, make writes of one name fail.
    void SetText(const std::wstring& name, const std::wstring& value);
    void SetNumber(const std::wstring& name, long value);
    void SetDate(const std::wstring& name, DATE value);
    void SetFlag(const std::wstring& name, bool value);
    void Remove(const std::wstring& name);
    std::optional<std::wstring> Text(const std::wstring& name) const;
    std::optional<long> Number(const std::wstring& name) const;
    std::optional<DATE> Date(const std::wstring& name) const;
    std::optional<bool> Flag(const std::wstring& name) const;
    bool Has(const std::wstring& name) const;
    size_t Count() const;
    void FailWrites(const std::wstring& name, HRESULT failure);
    // Reads of the name fail although the property is there.
    void FailReads(const std::wstring& name, HRESULT failure);
    void FailExistsQueries(HRESULT failure) { existsFailure_ = failure; }
    void FailNamedTags(HRESULT failure) { namedTagsFailure_ = failure; }
    // The byte the last boolean put of the name received, as the host got it.
    std::optional<unsigned char> BoolByte(const std::wstring& name) const;
    int ItemStrsCalls() const;
    // Names of the successful single writes, in call order.
    const std::vector<std::wstring>& WriteOrder() const { return writeOrder_; }

    // Every property with its value, by name: what a host persists of an item.
    using Value = std::variant<std::wstring, long, DATE, bool>;
    const std::map<std::wstring, Value>& Values() const { return values_; }

private:

    explicit TestPropertyMap(NamedTags namedTags);

    template <class T>
    HRESULT Read(BSTR name, T& value) const;
    template <class T>
    HRESULT Write(BSTR name, T value);
    template <class T>
    std::optional<T> Inspect(const std::wstring& name) const;
    HRESULT InjectedFailure(const std::wstring& name) const;

    const NamedTags namedTags_;
    std::map<std::wstring, Value> values_;
    std::map<std::wstring, HRESULT> failingWrites_;
    std::map<std::wstring, HRESULT> failingReads_;
    std::map<std::wstring, unsigned char> boolBytes_;
    HRESULT existsFailure_ = S_OK;
    HRESULT namedTagsFailure_ = S_OK;
    int itemStrsCalls_ = 0;
    std::vector<std::wstring> writeOrder_;
};

} // namespace TestHost
