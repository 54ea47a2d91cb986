// Retrieval and item properties of the framework for a repository without entity tags of its own
// (the Box class never gets here): the download's hash stands in for the tag.
#include "ScratchFolder.h"
#include "ScriptedRepository.h"
#include "TestFieldSetInfo.h"
#include "TestPropertyMap.h"

#include "ComDef.h"

#include <gtest/gtest.h>

#include <fstream>

namespace {

constexpr VARIANT_BOOL T = VARIANT_TRUE, F = VARIANT_FALSE;
constexpr wchar_t kHelloHash[] = L"{2A40415D-4BBC-762A-B971-9D911017C592}";
using TestHost::TestPropertyMap;

// Its downloads write "hello"; its field-set information is the test host's.
class HashingRepository : public SyncDown::ScriptedRepository {
public:
    TalvernCommon::com_ptr<TestHost::TestFieldSetInfo> fieldSet = TestHost::TestFieldSetInfo::Create();
    int downloads = 0;

    HRESULT CopyFileToLocal(const CStdStr<wchar_t>&, const CStdStr<wchar_t>& path, ILSPropertyMap*,
                            const CStdStr<wchar_t>&) override
    {
        std::ofstream(path.c_str(), std::ios::binary) << "hello";
        return ++downloads, S_OK;
    }
    HRESULT GetFieldSetInfoInternal(ILSVESKFieldSetInfo** info) override
    {
        fieldSet->AddRef();
        *info = fieldSet.get();
        return S_OK;
    }
    void SetExtra(const PropertyPairs& extra) { m_serverItemExtraProperties.assign(1, extra); }
};

struct Listed {
    FilterTests::WithUnknown<HashingRepository> filter;
    TalvernCommon::com_ptr<TestPropertyMap> start = TestPropertyMap::Create(), item = TestPropertyMap::Create();

    Listed()
    {
        filter.items = {{L"a.msg", L"1", 1, 45000.0}, {L"b.docx", L"2"}};
        start->SetText(L"Quentra.FolderLocation", L"12<3>4");
        start->SetText(L"Quentra.RepositoryLocation", L"https://box.example:1/a|b");
        EXPECT_EQ(S_OK, filter.raw_SetSyncStartPoint(start.get(), F, F, F, 0, F));
    }
};

TEST(FrameworkRetrieval, TheDownloadsHashIsTheTagAndHeaderOnlyItemsAreHashedToo)
{
    Listed listed;
    auto& [filter, start, item] = listed;
    ScratchFolder folder(L"framework-retrieval");
    const _bstr_t path(folder.File(L"a.msg").c_str());

    EXPECT_EQ(E_FAIL, filter.raw_RetrieveItemToPath(1, path, nullptr, item.get(), F, nullptr)); // time unknown
    EXPECT_EQ(S_OK, filter.raw_RetrieveItemToPath(0, path, nullptr, item.get(), T, nullptr));
    EXPECT_EQ(L"{D98C1DD4-008F-04B2-E980-0998ECF8427E}", item->Text(L"Quentra.FromServerETag")); // no file yet
    EXPECT_EQ(S_OK, filter.raw_RetrieveItemToPath(0, path, nullptr, item.get(), F, nullptr));
    EXPECT_EQ(kHelloHash, item->Text(L"Quentra.FromServerETag"));

    const auto headerOnly = TestPropertyMap::Create();
    headerOnly->SetText(L"Quentra.FromServerFileId", L"1");
    EXPECT_EQ(S_OK, filter.raw_RetrieveIndividualItemToPath(headerOnly.get(), path, nullptr, F, nullptr));
    EXPECT_EQ(kHelloHash, headerOnly->Text(L"Quentra.FromServerETag"));
    EXPECT_EQ(2, filter.downloads);
    const _bstr_t missing((folder.Path() + L"\\missing.msg").c_str());
    EXPECT_EQ(E_FAIL, filter.raw_RetrieveIndividualItemToPath(headerOnly.get(), missing, nullptr, T, nullptr));
    EXPECT_EQ(S_FALSE, filter.raw_RetrieveIndividualItemToPathProperties(headerOnly.get()));
    EXPECT_EQ(L"https   box.example 1 a b_12 3 4\\q        .msg_7",
              filter.MakeIndividualItemTempPath(L"q?\"*\x01\x1f\\/:.msg", 7));
}

TEST(FrameworkItemProperties, PrefixedFieldsReachTheFieldSetAndEveryTextGoesInOneBatch)
{
    Listed listed;
    auto& [filter, start, item] = listed;
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
    EXPECT_EQ(L"0x7FFFFFFFFFFFFFFF", item->Text(L"ows-PermMask"));
    EXPECT_EQ(1, item->ItemStrsCalls());

    const auto refusing = TestPropertyMap::Create();
    refusing->FailWrites(L"Quentra.FromServerFileName", E_ACCESSDENIED);
    EXPECT_EQ(E_ACCESSDENIED, filter.raw_SetItemProperties(0, refusing.get(), 0));
    EXPECT_EQ(1, filter.fieldSet->Initializations());
    EXPECT_EQ(E_INVALIDARG, filter.raw_SetItemProperties(2, item.get(), 0));
}

} // namespace
