#include "ComDef.h"
#include "ComPtr.h"
#include "LSSafeArrayVector.h"
#include "NarrowCasts.h"
#include "StdString.h"
#include "TestPropertyMap.h"

#include <gtest/gtest.h>

#include <cstdint>

using TalvernCommon::narrowcasts::narrow;
using TalvernCommon::narrowcasts::narrowing_error;

namespace {

// A stack object that may or may not say it sets error information.
class ErrorSource : public ISupportErrorInfo {
public:
    ULONG references = 1;
    HRESULT supportsErrorInfo = S_FALSE;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override
    {
        *out = (iid == IID_IUnknown || iid == IID_ISupportErrorInfo) ? this : nullptr;
        return *out ? (AddRef(), S_OK) : E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
    ULONG STDMETHODCALLTYPE Release() override { return --references; }
    HRESULT STDMETHODCALLTYPE InterfaceSupportsErrorInfo(REFIID) override { return supportsErrorInfo; }
};

HRESULT IssuedError(ErrorSource& object, HRESULT hr, std::wstring& description)
{
    try {
        _com_issue_errorex(hr, &object, IID_IUnknown);
    } catch (const _com_error& error) {
        const _bstr_t text = error.Description();
        description = text.length() ? static_cast<const wchar_t*>(text) : L"";
        return error.Error();
    }
    return S_OK;
}

} // namespace

TEST(LSSafeArrayVector, CopiesInOrderReachThePropertyMap)
{
    std::vector<std::wstring> pending{L"Quentra.FromServerETag\t7", L"0x0037001f\tHello\tWorld", L"Empty\t"};
    const LSSafeArrayVector array(pending);
    pending[0] = L"changed\tvalue";
    auto map = TestHost::TestPropertyMap::Create();
    ASSERT_EQ(map->put_ItemStrs(array.AsInVariant()), S_OK);
    EXPECT_EQ(map->Text(L"Quentra.FromServerETag"), L"7");
    EXPECT_EQ(map->Text(L"0x0037001f"), L"Hello\tWorld");
    EXPECT_EQ(map->Text(L"Empty"), L"");
    EXPECT_FALSE(map->Has(L"changed"));
}

TEST(NarrowCasts, OverflowAndSignChangeThrow)
{
    EXPECT_EQ(narrow<int>(-2147483648LL), -2147483647 - 1);
    EXPECT_THROW(narrow<int>(2147483648LL), narrowing_error);
    EXPECT_THROW(narrow<unsigned>(-1), narrowing_error);
    EXPECT_THROW(narrow<int>(0x80000000u), narrowing_error);
    EXPECT_THROW(narrow<int8_t>(static_cast<uint8_t>(200)), narrowing_error);
}

TEST(ComSupport, IssueErrorExTakesTheObjectsErrorInfo)
{
    ErrorSource object;
    object.supportsErrorInfo = S_OK;
    TalvernCommon::com_ptr<ICreateErrorInfo> created;
    ASSERT_EQ(CreateErrorInfo(created.put()), S_OK);
    created->SetDescription(const_cast<LPOLESTR>(L"quota exceeded"));
    ASSERT_EQ(SetErrorInfo(0, created.query<IErrorInfo>(IID_IErrorInfo).get()), S_OK);
    std::wstring description;
    EXPECT_EQ(IssuedError(object, E_FAIL, description), E_FAIL);
    EXPECT_EQ(description, L"quota exceeded");

    object.supportsErrorInfo = S_FALSE;
    EXPECT_EQ(IssuedError(object, E_ACCESSDENIED, description), E_ACCESSDENIED);
    EXPECT_EQ(description, L"");
    EXPECT_EQ(object.references, 1u);
}
