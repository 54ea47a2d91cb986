// Item properties as the framework writes them from a listing's extra properties.
#include "ScriptedRepository.h"
#include "TestFieldSetInfo.h"
#include "TestPropertyMap.h"

#include "ComDef.h"

#include <gtest/gtest.h>

namespace {

constexpr VARIANT_BOOL F = VARIANT_FALSE;
using TestHost::TestPropertyMap;

// Its field-set information is the test host's.
class FieldSetRepository : public SyncDown::ScriptedRepository {
public:
    TalvernCommon::com_ptr<TestHost::TestFieldSetInfo> fieldSet = TestHost::TestFieldSetInfo::Create();

    HRESULT GetFieldSetInfoInternal(ILSVESKFieldSetInfo** info) override
    {
        return (*info = fieldSet.get())->AddRef(), S_OK;
    }
    void SetExtra(const PropertyPairs& extra) { m_serverItemExtraProperties.assign(1, extra); }
};

class Framework : public ::testing::Test {
protected:
    FilterTests::WithUnknown<FieldSetRepository> filter;
    TalvernCommon::com_ptr<TestPropertyMap> start = TestPropertyMap::Create(), item = TestPropertyMap::Create();

    Framework()
    {
        filter.items = {{L"a.msg", L"1", 1, 45000.0}, {L"b.docx", L"2"}};
        start->SetText(L"Quentra.FolderLocation", L"12<3>4");
        start->SetText(L"Quentra.RepositoryLocation", L"https://box.example:1/a|b");
        EXPECT_EQ(S_OK, filter.raw_SetSyncStartPoint(start.get(), F, F, F, 0, F));
    }
};

TEST_F(Framework, PrefixedFieldsReachTheFieldSetAndEveryTextGoesInOneBatch)
{
    ASSERT_EQ(S_OK, filter.raw_SetMainFolderProperties(start.get()));
    filter.SetExtra({{L"Plain-Category", L"Blue"}, {L"plain-Ignored", L"x"}, {L"PR_HAS_ATTACH", L"1"},
                     {L"extension", L"msg"}, {L"Quentra.FormRegionClass", L"IPM.Post.A.Post.B"}});
    filter.fieldSet->SeedField(L"Plain-Category", L"CategoryProp", VT_BSTR);
    item->SetText(L"0x001a001f", L"IPM.Note");

    ASSERT_EQ(S_OK, filter.raw_SetItemProperties(0, item.get(), 0));
    EXPECT_EQ(L"Blue", item->Text(L"Plain-Category"));
    EXPECT_EQ(L"Blue", item->Text(L"CategoryProp"));
    EXPECT_FALSE(item->Has(L"plain-Ignored"));
    EXPECT_EQ(true, item->Flag(L"0x0e1b000b"));
    EXPECT_EQ(L"IPM.Note.A.Note.B", item->Text(L"Quentra.FormRegionClass"));
    EXPECT_EQ(1, item->ItemStrsCalls());

    const auto refusing = TestPropertyMap::Create();
    refusing->FailWrites(L"Quentra.FromServerFileName", E_ACCESSDENIED);
    EXPECT_EQ(E_ACCESSDENIED, filter.raw_SetItemProperties(0, refusing.get(), 0));
    EXPECT_EQ(1, filter.fieldSet->Initializations());
    EXPECT_EQ(E_INVALIDARG, filter.raw_SetItemProperties(2, item.get(), 0));
}

} // namespace
