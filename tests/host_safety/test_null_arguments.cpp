// Every host method that takes pointers, through COM, given a null one it needs: a failed HRESULT,
// no crash, no request to Box, and no text or count left in an out-parameter it was given. A getter
// given nowhere to write its answer asks nothing and succeeds.
#include "BoxStandIn.h"
#include "ComDef.h"
#include "ComOwners.h"
#include "FilterHost.h"
#include "RegistrySandbox.h"
#include "TestPropertyMap.h"

#include <gtest/gtest.h>

namespace {

using TalvernCommon::com_ptr;

wchar_t g_callersText[] = L"the caller's";

// One row's call: the filter as one of its interfaces, an empty host map, and out-values. Text() and
// Number() hand out values that a failed call must clear; the plain members may be left as they were.
struct Call {
    ILSSyncFilter2* filter;
    ILSPropertyMap* map;
    BSTR texts[4] = {};
    int textsGiven = 0;
    long number = 7;
    bool numberGiven = false;
    VARIANT_BOOL flag = VARIANT_TRUE;
    unsigned char byte = 7;
    VARIANT entry = {};

    template <class Interface>
    com_ptr<Interface> As() const
    {
        com_ptr<Interface> answer;
        filter->QueryInterface(__uuidof(Interface), answer.put_void());
        return answer;
    }
    BSTR* Text()
    {
        texts[textsGiven] = g_callersText;
        return &texts[textsGiven++];
    }
    long* Number()
    {
        numberGiven = true;
        return &number;
    }
};

struct Row {
    const char* name;
    HRESULT (*call)(Call&);
    bool nullIgnored = false;
};
#define ROW(Interface, call) Row{#call, [](Call& c) { return c.As<Interface>()->call; }}
#define IGNORED(Interface, call) Row{#call, [](Call& c) { return c.As<Interface>()->call; }, true}

const _bstr_t kText(L"0");
const _bstr_t kFolder(L"All Files\thttps://app.box.com/folder/0\tAll Files\t\tBox\t0\t1\t0");

const Row kRows[] = {
    ROW(ILSSyncFilter2, raw_SetSyncStartPointByString(kText, nullptr)),
    ROW(ILSSyncFilter2, raw_SetSyncStartPoint(nullptr, 0, 0, 0, 0, 0)),
    ROW(ILSSyncFilter2, raw_AddNewDocument(kText, kText, 0, nullptr)),
    ROW(ILSSyncFilter2, raw_UpdateDocument(kText, kText, 0, nullptr)),
    ROW(ILSSyncFilter2, GetServerItemNameCount(nullptr)),
    ROW(ILSSyncFilter2, raw_GetItemBasicProps(0, nullptr)),
    ROW(ILSSyncFilter2, raw_RetrieveItemToPath(0, kText, c.Text(), nullptr, 0, kText)),
    ROW(ILSSyncFilter2, raw_SetItemProperties(0, nullptr, 0)),
    ROW(ILSSyncFilter2, raw_PreContentSyncFolderUpdate(nullptr, 0, 0)),
    ROW(ILSSyncFilter2, GetSubFolderCount(nullptr)),
    ROW(ILSSyncFilter2, raw_GetSubFolderBasicProps(0, nullptr)),
    ROW(ILSSyncFilter2, raw_SetSubFolderProperties(0, nullptr)),
    ROW(ILSSyncFilter2, raw_GetFilterNames(nullptr, c.Text())),
    ROW(ILSSyncFilter2, raw_GetFilterNames(c.Text(), nullptr)),
    ROW(ILSSyncFilter2, raw_HasChanges(0, nullptr, &c.number)),
    ROW(ILSSyncFilter2, raw_HasChanges(0, c.map, nullptr)),
    ROW(ILSSyncFilter2, raw_HasMoreItemsAvailable(nullptr)),
    ROW(ILSSyncFilter2, raw_UpdateFolder(0, nullptr, nullptr, &c.flag)),
    ROW(ILSSyncFilter2, raw_UpdateFolder(0, c.map, c.map, nullptr)),
    ROW(ILSSyncFilter2, GetChecksDuplicatesOnAdd(nullptr)),
    ROW(ILSSyncFilter2, raw_GetFieldSetInfo(0, nullptr)),
    ROW(ILSSyncFilter2, raw_SetMainFolderProperties(nullptr)),
    ROW(ILSManualDeletionsSyncFilter, raw_GetKeyPropertyTag(nullptr)),
    IGNORED(ILSNeedsShutdownInfo, get_pShutdownInformer(nullptr)),
    IGNORED(ILSDeleteableSyncFilter, GetDeleteFlag(nullptr)),
    ROW(ILSDeleteableSyncFilter, DeleteItemByLocation(nullptr, c.Text())),
    ROW(ILSDeleteableSyncFilter, DeleteItemByLocation(c.map, nullptr)),
    ROW(ILSDeleteableSyncFilter, get_ServerItemCount(0, nullptr)),
    ROW(ILSDeleteableSyncFilter, get_ServerItem(0, nullptr)),
    ROW(ILSDeleteableSyncFilter, get_ServerItemKey(nullptr)),
    ROW(ILSCreateableFolderSyncFilter, raw_CreateFolder(0, nullptr, c.map)),
    ROW(ILSCreateableFolderSyncFilter, raw_CreateFolder(0, c.map, nullptr)),
    ROW(ILSHeaderOnlySync, raw_RetrieveIndividualItemToPath(nullptr, kText, c.Text(), 0, kText)),
    ROW(ILSHeaderOnlySync, raw_RetrieveIndividualItemToPathProperties(nullptr)),
    ROW(ILSQueryRepository, raw_SupportsQuery(nullptr)),
    ROW(ILSQueryRepository, raw_GetScopeParameterPrompt(nullptr)),
    ROW(ILSQueryRepository, raw_ResolveScopeParameter(kText, nullptr)),
    ROW(ILSQueryRepository, raw_RunQuery(10, kText, kText, 0, 0, nullptr)),
    ROW(ILSQueryRepository, raw_ResolveQueryResult(kFolder, nullptr)),
    ROW(ILSQueryRepositoryChildFolders, raw_GetOnlineChildFolders(kFolder, 0, nullptr)),
    ROW(ILSLockingSyncFilter, raw_Checkout(nullptr)),
    ROW(ILSLockingSyncFilter, raw_IsCheckedOut(nullptr, &c.byte)),
    ROW(ILSLockingSyncFilter, raw_IsCheckedOut(c.map, nullptr)),
    ROW(ILSLockingSyncFilter, raw_CancelCheckout(nullptr)),
    ROW(ILSOnlineCheck, raw_HasChangesOnline(nullptr, nullptr, c.Number(), nullptr, 0)),
    ROW(ILSOnlineCheck, raw_HasChangesOnline(c.map, c.map, nullptr, nullptr, 0)),
    ROW(ILSOnlineCheck, raw_HasDuplicateOnline(0, nullptr, kText, c.Text(), c.Number(), nullptr)),
    ROW(ILSOnlineCheck, raw_HasDuplicateOnline(0, c.map, kText, nullptr, c.Number(), nullptr)),
    ROW(ILSOnlineCheck, raw_HasDuplicateOnline(0, c.map, kText, c.Text(), nullptr, nullptr)),
    IGNORED(ILSNeedsExtensionsCalls, get_ExtensionsCallback(nullptr)),
    ROW(ILSQueryOnlinePageResults, raw_GetOnlineResultsSize(nullptr)),
    ROW(ILSQueryOnlinePageResults, raw_GetOnlinePage(0, 10, nullptr)),
    ROW(ILSQueryOnlinePageResults, raw_GetResultInfo(c.entry, c.Text(), c.Text(), &c.flag, c.Text(), c.Text(), nullptr)),
    ROW(ILSQueryOnlinePageResults, raw_GetPreviewUrl(c.entry, nullptr)),
};

// A fresh filter per row, created as the host creates it; a fingerprint template is set, so the
// duplicate check needs its folder.
TEST(NullArguments, EveryHostMethodRefusesANullPointerItNeedsBeforeAnyRequest)
{
    const TestSupport::BoxStandIn standIn = TestSupport::BoxStandIn::FromEnvironment();
    const SyncDriver::FilterHost host(standIn.BaseUrlWide());
    RegistrySandbox settings;
    settings.SetString(SettingsSource::User, L"BoxSync.FingerprintMetaDataTemplateName", L"fingerprints");
    const int requestsBefore = standIn.JournalNext();

    for (const Row& row : kRows) {
        SCOPED_TRACE(row.name);
        const com_ptr<TestHost::TestPropertyMap> map = TestHost::TestPropertyMap::Create();
        const com_ptr<ILSSyncFilter2> filter = SyncDriver::FilterHost::CreateFilter();
        Call arguments{filter.get(), map.get()};
        const HRESULT hr = row.call(arguments);
        if (row.nullIgnored) {
            EXPECT_EQ(S_OK, hr);
            continue;
        }
        EXPECT_TRUE(hr == E_INVALIDARG || hr == E_POINTER) << std::hex << hr;
        for (int i = 0; i < arguments.textsGiven; ++i)
            EXPECT_EQ(nullptr, arguments.texts[i]) << "a failed call left text " << i << " set";
        EXPECT_TRUE(!arguments.numberGiven || arguments.number == 0) << "a failed call left the caller's count";
    }
    EXPECT_EQ(requestsBefore, standIn.JournalNext()) << "a call with a null pointer went to Box";
}

} // namespace
