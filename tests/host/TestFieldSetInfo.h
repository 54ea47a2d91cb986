#pragma once
// Stand-in for the host's field-set information: the named property and type of each metadata field.

#include "BstrText.h"
#include "ComPtr.h"
#include "HostComObject.h"
#include "StringUtils.h"
#include "VESKSyncBasicsLib.h"

#include <map>
#include <string>
#include <utility>

namespace TestHost {

class TestFieldSetInfo final : public HostComObject<ILSVESKFieldSetInfo> {
public:
    static TalvernCommon::com_ptr<TestFieldSetInfo> Create()
    {
        return TalvernCommon::com_ptr<TestFieldSetInfo>::attach(new TestFieldSetInfo());
    }

    // ILSVESKFieldSetInfo
    HRESULT STDMETHODCALLTYPE Reserved1() override { return E_NOTIMPL; }
    // Lookups before this call fail with E_UNEXPECTED, as the host knows no fields before it.
    HRESULT STDMETHODCALLTYPE Initialize(IUnknown*, ILSPropertyMap*) override { ++initializations_; return S_OK; }
    // An unknown field fails with TYPE_E_ELEMENTNOTFOUND.
    HRESULT STDMETHODCALLTYPE getFieldInfo(BSTR fieldName, LSFieldInfo* info) override
    {
        if (!info)
            return E_POINTER;
        if (!fieldName)
            return E_INVALIDARG;
        if (initializations_ == 0)
            return E_UNEXPECTED;
        return Guarded([&] {
            const auto found = fields_.find(BstrText(fieldName));
            if (found == fields_.end())
                return TYPE_E_ELEMENTNOTFOUND;
            info->PropertyName = StdStrToBstr(found->second.first);
            info->FieldType = found->second.second;
            return S_OK;
        });
    }

    // Test side.
    void SeedField(const std::wstring& fieldName, const std::wstring& propertyName, VARTYPE type)
    {
        fields_[fieldName] = {propertyName, type};
    }
    int Initializations() const { return initializations_; }

private:
    TestFieldSetInfo() = default;

    std::map<std::wstring, std::pair<std::wstring, VARTYPE>> fields_;
    int initializations_ = 0;
};

} // namespace TestHost
