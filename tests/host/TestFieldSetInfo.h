#pragma once
// Stand-in for the host's field-set information: which named property and type carry each
// repository metadata field.

#include "HostComObject.h"
#include "ComPtr.h"
#include "VESKSyncBasicsLib.h"

#include <map>
#include <string>

namespace TestHost {

class TestFieldSetInfo final : public HostComObject<ILSVESKFieldSetInfo> {
public:
    static TalvernCommon::com_ptr<TestFieldSetInfo> Create();

    // ILSVESKFieldSetInfo
    HRESULT STDMETHODCALLTYPE Reserved1() override;
    // Lookups before this call fail with E_UNEXPECTED, as the host knows no fields before it.
    HRESULT STDMETHODCALLTYPE Initialize(IUnknown* syncRun, ILSPropertyMap* startFolder) override;
    // An unknown field fails with TYPE_E_ELEMENTNOTFOUND.
    HRESULT STDMETHODCALLTYPE getFieldInfo(BSTR fieldName, LSFieldInfo* info) override;

    // Test side.
    void SeedField(const std::wstring& fieldName, const std::wstring& propertyName, VARTYPE type);
    int Initializations() const;
    // The keys of the last Initialize, for identity checks only.
    IUnknown* LastSyncRun() const;
    ILSPropertyMap* LastStartFolder() const;

private:
    struct Field {
        std::wstring propertyName;
        VARTYPE type;
    };

    TestFieldSetInfo() = default;

    std::map<std::wstring, Field> fields_;
    int initializations_ = 0;
    IUnknown* lastSyncRun_ = nullptr;
    ILSPropertyMap* lastStartFolder_ = nullptr;
};

} // namespace TestHost
