#include "TestFieldSetInfo.h"

namespace TestHost {

TalvernCommon::com_ptr<TestFieldSetInfo> TestFieldSetInfo::Create()
{
    return TalvernCommon::com_ptr<TestFieldSetInfo>::attach(new TestFieldSetInfo());
}

HRESULT STDMETHODCALLTYPE TestFieldSetInfo::Reserved1() { return E_NOTIMPL; }

HRESULT STDMETHODCALLTYPE TestFieldSetInfo::Initialize(IUnknown* syncRun,
                                                       ILSPropertyMap* startFolder)
{
    ++initializations_;
    lastSyncRun_ = syncRun;
    lastStartFolder_ = startFolder;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE TestFieldSetInfo::getFieldInfo(BSTR fieldName, LSFieldInfo* info)
{
    if (!info)
        return E_POINTER;
    if (!fieldName)
        return E_INVALIDARG;
    if (initializations_ == 0)
        return E_UNEXPECTED;
    return Guarded([&] {
        const auto found = fields_.find(std::wstring(fieldName, SysStringLen(fieldName)));
        if (found == fields_.end())
            return TYPE_E_ELEMENTNOTFOUND;
        const std::wstring& propertyName = found->second.propertyName;
        BSTR name =
            SysAllocStringLen(propertyName.data(), static_cast<UINT>(propertyName.size()));
        if (!name)
            return E_OUTOFMEMORY;
        info->PropertyName = name;
        info->FieldType = found->second.type;
        return S_OK;
    });
}

void TestFieldSetInfo::SeedField(const std::wstring& fieldName, const std::wstring& propertyName,
                                 VARTYPE type)
{
    fields_.insert_or_assign(fieldName, Field{propertyName, type});
}

int TestFieldSetInfo::Initializations() const { return initializations_; }

IUnknown* TestFieldSetInfo::LastSyncRun() const { return lastSyncRun_; }

ILSPropertyMap* TestFieldSetInfo::LastStartFolder() const { return lastStartFolder_; }

} // namespace TestHost
