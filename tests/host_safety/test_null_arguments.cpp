// Every host method that takes pointers, through COM, given a null one it needs: a failed HRESULT,
// no crash, no request to Box, and no text handed out.
#include "BoxStandIn.h"
#include "ComDef.h"
#include "ComOwners.h"
#include "FilterHost.h"
#include "RegistrySandbox.h"
#include "TestPropertyMap.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace {

using TalvernCommon::com_ptr;
using TestHost::TestPropertyMap;

// What a row's call may hand out; a text is an address the caller would have to free, so any
// left after a failure is a leak or worse.
struct Outs {
    BSTR text[6] = {};
    long number = 7;
    VARIANT_BOOL flag = VARIANT_TRUE;
    unsigned short count = 7;
    unsigned char byte = 7;
};

struct Arguments {
    ILSSyncFilter2* filter;
    ILSPropertyMap* map; // an empty host map
    Outs& out;

    template <class Interface>
    com_ptr<Interface> As() const
    {
        com_ptr<Interface> answer;
        filter->QueryInterface(__uuidof(Interface), answer.put_void());
        return answer;
    }
};

struct NullRow {
    const char* call;
    std::function<HRESULT(const Arguments&)> make;
    int texts = 0; // how many of the texts the call is given
};

const _bstr_t kPath(L"C:\\null-arguments");
const _bstr_t kText(L"0");
const _bstr_t kFolderString(L"All Files\thttps://app.box.com/folder/0\tAll Files\t\tBox\t0\t1\t0");

const NullRow kRows[] = {
    {"SetSyncStartPointByString errorText", [](auto& a) { return a.filter->raw_SetSyncStartPointByString(kText, nullptr); }},
    {"SetSyncStartPoint folder", [](auto& a) { return a.filter->raw_SetSyncStartPoint(nullptr, 0, 0, 0, 0, 0); }},
    {"AddNewDocument item", [](auto& a) { return a.filter->raw_AddNewDocument(kPath, kText, 0, nullptr); }},
    {"UpdateDocument item", [](auto& a) { return a.filter->raw_UpdateDocument(kPath, kText, 0, nullptr); }},
    {"GetServerItemNameCount", [](auto& a) { return a.filter->GetServerItemNameCount(nullptr); }},
    {"GetItemBasicProps item", [](auto& a) { return a.filter->raw_GetItemBasicProps(0, nullptr); }},
    {"RetrieveItemToPath item",
     [](auto& a) { return a.filter->raw_RetrieveItemToPath(0, kPath, &a.out.text[0], nullptr, 0, kText); }, 1},
    {"SetItemProperties item", [](auto& a) { return a.filter->raw_SetItemProperties(0, nullptr, 0); }},
    {"PreContentSyncFolderUpdate", [](auto& a) { return a.filter->raw_PreContentSyncFolderUpdate(nullptr, 0, 0); }},
    {"GetSubFolderCount", [](auto& a) { return a.filter->GetSubFolderCount(nullptr); }},
    {"GetSubFolderBasicProps folder", [](auto& a) { return a.filter->raw_GetSubFolderBasicProps(0, nullptr); }},
    {"SetSubFolderProperties folder", [](auto& a) { return a.filter->raw_SetSubFolderProperties(0, nullptr); }},
    {"GetFilterNames first", [](auto& a) { return a.filter->raw_GetFilterNames(nullptr, &a.out.text[0]); }, 1},
    {"GetFilterNames second", [](auto& a) { return a.filter->raw_GetFilterNames(&a.out.text[0], nullptr); }, 1},
    {"HasChanges item", [](auto& a) { return a.filter->raw_HasChanges(0, nullptr, &a.out.number); }},
    {"HasChanges changes", [](auto& a) { return a.filter->raw_HasChanges(0, a.map, nullptr); }},
    {"HasMoreItemsAvailable", [](auto& a) { return a.filter->raw_HasMoreItemsAvailable(nullptr); }},
    {"UpdateFolder maps", [](auto& a) { return a.filter->raw_UpdateFolder(0, nullptr, nullptr, &a.out.flag); }},
    {"UpdateFolder renamed", [](auto& a) { return a.filter->raw_UpdateFolder(0, a.map, a.map, nullptr); }},
    {"GetChecksDuplicatesOnAdd", [](auto& a) { return a.filter->GetChecksDuplicatesOnAdd(nullptr); }},
    {"GetFieldSetInfo", [](auto& a) { return a.filter->raw_GetFieldSetInfo(0, nullptr); }},
    {"SetMainFolderProperties", [](auto& a) { return a.filter->raw_SetMainFolderProperties(nullptr); }},
    {"GetKeyPropertyTag", [](auto& a) { return a.template As<ILSManualDeletionsSyncFilter>()->raw_GetKeyPropertyTag(nullptr); }},
    {"get_pShutdownInformer", [](auto& a) { return a.template As<ILSNeedsShutdownInfo>()->get_pShutdownInformer(nullptr); }},
    {"GetDeleteFlag", [](auto& a) { return a.template As<ILSDeleteableSyncFilter>()->GetDeleteFlag(nullptr); }},
    {"DeleteItemByLocation item",
     [](auto& a) { return a.template As<ILSDeleteableSyncFilter>()->DeleteItemByLocation(nullptr, &a.out.text[0]); }, 1},
    {"DeleteItemByLocation errorText",
     [](auto& a) { return a.template As<ILSDeleteableSyncFilter>()->DeleteItemByLocation(a.map, nullptr); }},
    {"get_ServerItemCount", [](auto& a) { return a.template As<ILSDeleteableSyncFilter>()->get_ServerItemCount(0, nullptr); }},
    {"get_ServerItem", [](auto& a) { return a.template As<ILSDeleteableSyncFilter>()->get_ServerItem(0, nullptr); }},
    {"get_ServerItemKey", [](auto& a) { return a.template As<ILSDeleteableSyncFilter>()->get_ServerItemKey(nullptr); }},
    {"CreateFolder parent",
     [](auto& a) { return a.template As<ILSCreateableFolderSyncFilter>()->raw_CreateFolder(0, nullptr, a.map); }},
    {"CreateFolder folder",
     [](auto& a) { return a.template As<ILSCreateableFolderSyncFilter>()->raw_CreateFolder(0, a.map, nullptr); }},
    {"RetrieveIndividualItemToPath item",
     [](auto& a) {
         return a.template As<ILSHeaderOnlySync>()->raw_RetrieveIndividualItemToPath(nullptr, kPath, &a.out.text[0], 0,
                                                                                    kText);
     }, 1},
    {"RetrieveIndividualItemToPathProperties",
     [](auto& a) { return a.template As<ILSHeaderOnlySync>()->raw_RetrieveIndividualItemToPathProperties(nullptr); }},
    {"SupportsQuery", [](auto& a) { return a.template As<ILSQueryRepository>()->raw_SupportsQuery(nullptr); }},
    {"GetScopeParameterPrompt",
     [](auto& a) { return a.template As<ILSQueryRepository>()->raw_GetScopeParameterPrompt(nullptr); }},
    {"ResolveScopeParameter",
     [](auto& a) { return a.template As<ILSQueryRepository>()->raw_ResolveScopeParameter(kText, nullptr); }},
    {"RunQuery", [](auto& a) { return a.template As<ILSQueryRepository>()->raw_RunQuery(10, kText, kText, 0, 0, nullptr); }},
    {"ResolveQueryResult",
     [](auto& a) { return a.template As<ILSQueryRepository>()->raw_ResolveQueryResult(kFolderString, nullptr); }},
    {"GetOnlineChildFolders",
     [](auto& a) {
         return a.template As<ILSQueryRepositoryChildFolders>()->raw_GetOnlineChildFolders(kFolderString, 0, nullptr);
     }},
    {"Checkout", [](auto& a) { return a.template As<ILSLockingSyncFilter>()->raw_Checkout(nullptr); }},
    {"IsCheckedOut document",
     [](auto& a) { return a.template As<ILSLockingSyncFilter>()->raw_IsCheckedOut(nullptr, &a.out.byte); }},
    {"IsCheckedOut result", [](auto& a) { return a.template As<ILSLockingSyncFilter>()->raw_IsCheckedOut(a.map, nullptr); }},
    {"CancelCheckout", [](auto& a) { return a.template As<ILSLockingSyncFilter>()->raw_CancelCheckout(nullptr); }},
    {"HasChangesOnline maps",
     [](auto& a) {
         return a.template As<ILSOnlineCheck>()->raw_HasChangesOnline(nullptr, nullptr, &a.out.number, nullptr, 0);
     }},
    {"HasChangesOnline changes",
     [](auto& a) { return a.template As<ILSOnlineCheck>()->raw_HasChangesOnline(a.map, a.map, nullptr, nullptr, 0); }},
    {"HasDuplicateOnline folder",
     [](auto& a) {
         return a.template As<ILSOnlineCheck>()->raw_HasDuplicateOnline(0, nullptr, kText, &a.out.text[0],
                                                                       &a.out.number, nullptr);
     }, 1},
    {"HasDuplicateOnline outs",
     [](auto& a) {
         return a.template As<ILSOnlineCheck>()->raw_HasDuplicateOnline(0, a.map, kText, nullptr, nullptr, nullptr);
     }},
    {"get_ExtensionsCallback",
     [](auto& a) { return a.template As<ILSNeedsExtensionsCalls>()->get_ExtensionsCallback(nullptr); }},
    {"GetOnlineResultsSize",
     [](auto& a) { return a.template As<ILSQueryOnlinePageResults>()->raw_GetOnlineResultsSize(nullptr); }},
    {"GetOnlinePage", [](auto& a) { return a.template As<ILSQueryOnlinePageResults>()->raw_GetOnlinePage(0, 10, nullptr); }},
    {"GetResultInfo",
     [](auto& a) {
         VARIANT entry = {};
         return a.template As<ILSQueryOnlinePageResults>()->raw_GetResultInfo(entry, nullptr, nullptr, nullptr, nullptr,
                                                                             nullptr, nullptr);
     }},
    {"GetResultInfo fileSize",
     [](auto& a) {
         VARIANT entry = {};
         BSTR* t = a.out.text;
         return a.template As<ILSQueryOnlinePageResults>()->raw_GetResultInfo(entry, &t[0], &t[1], &a.out.flag, &t[2],
                                                                             &t[3], nullptr);
     }, 4},
    {"GetPreviewUrl",
     [](auto& a) {
         VARIANT entry = {};
         return a.template As<ILSQueryOnlinePageResults>()->raw_GetPreviewUrl(entry, nullptr);
     }},
};

// One fresh filter per row, created as the host creates it, with a fingerprint template set so
// that the duplicate check needs its folder.
TEST(NullArguments, EveryHostMethodRefusesANullPointerItNeedsBeforeAnyRequest)
{
    const TestSupport::BoxStandIn standIn = TestSupport::BoxStandIn::FromEnvironment();
    standIn.Reset();
    const SyncDriver::FilterHost host(standIn.BaseUrlWide());
    RegistrySandbox settings;
    settings.SetString(SettingsSource::User, L"BoxSync.FingerprintMetaDataTemplateName", L"fingerprints");
    const int requestsBefore = standIn.JournalNext();

    for (const NullRow& row : kRows) {
        SCOPED_TRACE(row.call);
        Outs out;
        const BSTR untouched = reinterpret_cast<BSTR>(&out);
        for (BSTR& text : out.text)
            text = untouched;
        const com_ptr<ILSSyncFilter2> filter = SyncDriver::FilterHost::CreateFilter();
        const com_ptr<TestPropertyMap> map = TestPropertyMap::Create();
        const HRESULT hr = row.make(Arguments{filter.get(), map.get(), out});
        EXPECT_TRUE(hr == E_INVALIDARG || hr == E_POINTER) << std::hex << hr;
        for (int i = 0; i < row.texts; ++i)
            EXPECT_EQ(nullptr, out.text[i]) << "a failed call left text " << i << " set";
    }
    EXPECT_EQ(requestsBefore, standIn.JournalNext()) << "a call with a null pointer went to Box";
}

} // namespace
