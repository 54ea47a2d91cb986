// The framework's start point, folder update, properties, change detection and counts.
#include "ScriptedRepository.h"

#include "ComDef.h"
#include "ComOwners.h"
#include "LSHash.h"
#include "TestFieldSetInfo.h"
#include "TestPropertyMap.h"
#include "TestStartPointProvider.h"

#include <gtest/gtest.h>

using namespace SyncDown;
using TestHost::TestPropertyMap;

namespace {

constexpr VARIANT_BOOL T = VARIANT_TRUE, F = VARIANT_FALSE;
constexpr DATE kRemote = 45000.5;

TalvernCommon::com_ptr<TestPropertyMap> FolderMap()
{
    auto map = TestPropertyMap::Create();
    map->SetText(L"Quentra.FromServerShortItemId", L"Root\\Synced");
    return map;
}

struct ModeCase {
    VARIANT_BOOL first, second;
    int mode;
};

class StartPointModes : public ::testing::TestWithParam<ModeCase> {};

// Only a listing that listed something is reused by the next folder update.
TEST_P(StartPointModes, SelectTheListingAndItsReuse)
{
    ScriptedFilter filter;
    ASSERT_EQ(S_OK, filter.raw_SetSyncStartPoint(FolderMap().get(), F, GetParam().first, GetParam().second, 0, F));
    ASSERT_EQ(S_OK, filter.raw_PreContentSyncFolderUpdate(nullptr, F, F));
    const std::vector<int> expected = GetParam().mode == 3 ? std::vector<int>{3, 2} : std::vector<int>{GetParam().mode};
    EXPECT_EQ(expected, filter.listedModes);
}

INSTANTIATE_TEST_SUITE_P(Flags, StartPointModes,
                         ::testing::Values(ModeCase{T, T, 3}, ModeCase{T, F, 0}, ModeCase{F, T, 1}, ModeCase{F, F, 2},
                                           ModeCase{1, 1, 2}));

TEST(StartPoint, ByTextAsksTheHostOnlyForAnEmptyText)
{
    ScriptedFilter filter;
    TalvernCommon::unique_bstr error;
    EXPECT_EQ(E_INVALIDARG, filter.raw_SetSyncStartPointByString(nullptr, error.put()));
    EXPECT_NE(nullptr, error.get());
    EXPECT_TRUE(filter.listedModes.empty());

    const auto provider = TestHost::TestStartPointProvider::Create(L"Root\\From host");
    filter.provider = static_cast<ILSStartPointProvider*>(provider.get());
    ASSERT_EQ(S_OK, filter.raw_SetSyncStartPointByString(_bstr_t(L"Root\\Typed"), error.put()));
    EXPECT_EQ(0, provider->StartPointCalls());
    ASSERT_EQ(S_OK, filter.raw_SetSyncStartPointByString(nullptr, error.put()));
    EXPECT_EQ(1, provider->StartPointCalls());

    const auto item = TestPropertyMap::Create();
    ASSERT_EQ(S_OK, filter.raw_GetItemBasicProps(999, item.get()));
    EXPECT_EQ(L"From host", item->Text(L"DisplayName"));
    EXPECT_EQ(3u, item->Count()) << "the start folder is described by three properties only";
    EXPECT_EQ(std::vector<int>({3, 3}), filter.listedModes);
}

// Each step of a start point may wait while a window message starts another folder: the newest wins.
TEST(StartPoint, OneOvertakenDuringAWaitGoesNoFurther)
{
    const std::vector<std::string> steps = {"resolve", "provider", "prepare", "list"};
    for (size_t overtaken = 0; overtaken <= steps.size(); ++overtaken) {
        // Past the steps of a text: the listing of a start point given as a map.
        const bool byMap = overtaken == steps.size();
        SCOPED_TRACE(overtaken);
        ScriptedFilter filter;
        const auto provider = TestHost::TestStartPointProvider::Create(L"Root\\Older");
        filter.provider = static_cast<ILSStartPointProvider*>(provider.get());
        filter.overtakeAt = byMap ? "list" : steps[overtaken];
        EXPECT_EQ(E_ABORT, byMap ? filter.raw_SetSyncStartPoint(FolderMap().get(), F, F, F, 0, F)
                                 : filter.raw_SetSyncStartPointByString(nullptr, TalvernCommon::unique_bstr().put()));
        std::vector<std::string> waited(steps.begin(), steps.begin() + (byMap ? 0 : overtaken + 1));
        if (byMap)
            waited.push_back("list");
        waited.insert(waited.end(), steps.begin(), steps.end());
        EXPECT_EQ(waited, filter.waits) << "the overtaken one's steps, then the newer one's";
        const auto main = TestPropertyMap::Create();
        ASSERT_EQ(S_OK, filter.raw_SetMainFolderProperties(main.get()));
        EXPECT_EQ(L"Root\\Newer", main->Text(L"Quentra.FolderLocation"));
    }
}

struct ChangeCase {
    const char* name;
    DATE remote;
    std::optional<DATE> local;
    std::optional<bool> unchanged;
    const wchar_t* storedVersion; // "!" fails the read, nullptr leaves it absent
    const wchar_t* issue;
    bool checkoutDiffers, treatAsUnchanged;
    HRESULT hr;
    long result;
};

const ChangeCase kChangeCases[] = {
    {"UnknownRemoteDate", 0, kRemote, false, L"7", L"CONFLICT", false, false, E_FAIL, -9},
    {"NoLocalDateLocalChange", kRemote, {}, false, nullptr, L"", false, false, S_OK, 4},
    {"SameNoVersion", kRemote, kRemote, {}, nullptr, L"", false, false, S_OK, 0},
    {"SameNoVersionLocalChange", kRemote, kRemote, false, nullptr, L"", false, false, S_OK, 2},
    {"SameVersion", kRemote, kRemote, {}, L"7", L"", false, false, S_OK, 0},
    {"OtherVersion", kRemote, kRemote, {}, L"8", L"", false, false, S_OK, 1},
    {"OtherVersionLocalChange", kRemote, kRemote, false, L"8", L"", false, false, S_OK, 4},
    {"UnreadableVersion", kRemote, kRemote, {}, L"!", L"", false, false, E_FAIL, -9},
    {"OtherDateConflict", kRemote, 1.0, {}, nullptr, L"CONFLICT", false, false, S_OK, 4},
    {"OtherDateLowerCaseConflict", kRemote, 1.0, {}, nullptr, L"conflict", false, false, S_OK, 1},
    {"CheckoutUserChanged", kRemote, kRemote, {}, nullptr, L"", true, false, S_OK, 1},
    {"CheckoutChangedButUnchanged", kRemote, kRemote, {}, nullptr, L"", true, true, S_OK, 0},
    {"OtherDateTreatedUnchanged", kRemote, 1.0, {}, L"7", L"", false, true, S_OK, 0},
};

class HasChanges : public ::testing::TestWithParam<ChangeCase> {};

TEST_P(HasChanges, DecidesWhichSideChanged)
{
    const ChangeCase& c = GetParam();
    ScriptedFilter filter;
    filter.items = {{L"a.docx", L"ID1", 7, c.remote}};
    filter.checkoutDiffers = c.checkoutDiffers;
    filter.treatAsUnchanged = c.treatAsUnchanged;
    ASSERT_EQ(S_OK, filter.raw_SetSyncStartPoint(FolderMap().get(), F, F, F, 0, F));
    const auto item = TestPropertyMap::Create();
    if (c.local)
        item->SetDate(L"RemoteFileLastModified", *c.local);
    if (c.unchanged)
        item->SetFlag(L"Quentra.MessageIsUnchanged", *c.unchanged);
    if (c.storedVersion)
        item->SetText(L"Quentra.FromServerVersion", c.storedVersion);
    if (c.storedVersion && std::wstring(c.storedVersion) == L"!")
        item->FailReads(L"Quentra.FromServerVersion", E_ACCESSDENIED);
    item->SetText(L"Quentra.SyncIssueType", c.issue);
    long result = -9;
    EXPECT_EQ(c.hr, filter.raw_HasChanges(0, item.get(), &result));
    EXPECT_EQ(c.result, result);
}

INSTANTIATE_TEST_SUITE_P(Table, HasChanges, ::testing::ValuesIn(kChangeCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(SubFolders, ExtraPropertiesIconsAndIndexes)
{
    ScriptedFilter filter;
    filter.folderNames = {L"Sub"};
    filter.folderIds = {L"F1"};
    filter.docsInFolders = false;
    filter.folderExtras = {{{L"forceReadOnly", L"1"}, {L"VESK.CustomDirectoryIconIndex", L"12ab"}, {L"Plain-Colour", L"red"},
                            {L"plain-Other", L"x"}, {L"vesk.recordtype", L"R"}, {L"Other", L"y"},
                            {L"isListFolder", L"1"}}};
    ASSERT_EQ(S_OK, filter.raw_SetSyncStartPoint(FolderMap().get(), F, F, F, 0, F));
    const auto folder = TestPropertyMap::Create();
    ASSERT_EQ(S_OK, filter.raw_SetSubFolderProperties(0, folder.get()));
    EXPECT_EQ(L"0x0000000000000001", folder->Text(L"VESK.PermMask2"));
    EXPECT_EQ(0, filter.readOnlyQueries) << "a forced folder is not asked about";
    EXPECT_EQ(12, folder->Number(L"VESK.CustomDirectoryIconIndex"));
    EXPECT_FALSE(folder->Has(L"Quentra.BackgroundSyncDisabled"));
    EXPECT_EQ(L"red", folder->Text(L"Plain-Colour"));
    EXPECT_EQ(L"R", folder->Text(L"vesk.recordtype"));
    EXPECT_FALSE(folder->Has(L"plain-Other") || folder->Has(L"Other"));
    EXPECT_EQ(1, folder->BoolByte(L"SPIsList"));
    EXPECT_EQ(1, folder->BoolByte(L"Quentra.NoDocsAllowed"));
    EXPECT_EQ(L"F1", folder->Text(L"Quentra.FolderLocation"));
    EXPECT_EQ(E_INVALIDARG, filter.raw_SetSubFolderProperties(1, TestPropertyMap::Create().get()));
}

TEST(ServerItems, ExtensionsCountsAndRefusedIndexes)
{
    ScriptedFilter filter;
    const wchar_t* const names[][2] = {{L"a.final.docx", L"docx"}, {L"README", L""}, {L"end.", L""}, {L".x", L"x"}};
    for (const auto& name : names)
        filter.items.push_back({name[0], L"Id-" + CStdStr<wchar_t>(name[0])});
    filter.items.resize(65536, {L"bulk.txt", L"bulk"});
    ASSERT_EQ(S_OK, filter.raw_SetSyncStartPoint(FolderMap().get(), F, F, F, 0, F));
    unsigned short count = 0;
    ASSERT_EQ(S_OK, filter.GetServerItemNameCount(&count));
    EXPECT_EQ(65535, count) << "65,536 items must not read as 0";
    for (unsigned short i = 0; i < 4; ++i) {
        const auto item = TestPropertyMap::Create();
        ASSERT_EQ(S_OK, filter.raw_GetItemBasicProps(i, item.get()));
        EXPECT_EQ(names[i][1], item->Text(L"Extension")) << names[i][0];
        EXPECT_EQ(CLSHash::GetGuidForString(filter.items[i].id.ToLower()), item->Text(L"UniqueId"));
    }
    long result = 0;
    EXPECT_EQ(E_FAIL, filter.raw_HasChanges(0, TestPropertyMap::Create().get(), &result));
    EXPECT_EQ(1, filter.dateParses);
    EXPECT_EQ(E_FAIL, filter.raw_HasChanges(0, TestPropertyMap::Create().get(), &result));
    EXPECT_EQ(1, filter.dateParses) << "an unknown date is looked up once per listing";
}

// Its field-set information is the test host's.
class FieldSetRepository : public ScriptedRepository {
public:
    TalvernCommon::com_ptr<TestHost::TestFieldSetInfo> fieldSet = TestHost::TestFieldSetInfo::Create();

    HRESULT GetFieldSetInfoInternal(ILSVESKFieldSetInfo** info) override
    {
        return (*info = fieldSet.get())->AddRef(), S_OK;
    }
    void SetExtra(const PropertyPairs& extra) { m_serverItemExtraProperties.assign(1, extra); }
};

TEST(ItemProperties, PrefixedFieldsReachTheFieldSetAndEveryTextGoesInOneBatch)
{
    FilterTests::WithUnknown<FieldSetRepository> filter;
    filter.items = {{L"a.msg", L"1", 1, 45000.0}, {L"b.docx", L"2"}};
    const auto start = TestPropertyMap::Create(), item = TestPropertyMap::Create();
    start->SetText(L"Quentra.FolderLocation", L"12<3>4");
    start->SetText(L"Quentra.RepositoryLocation", L"https://box.example:1/a|b");
    ASSERT_EQ(S_OK, filter.raw_SetSyncStartPoint(start.get(), F, F, F, 0, F));
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
