// What the host sees at the filter's interfaces before any repository work.
#include "FilterTestObjects.h"

#include "ComOwners.h"
#include "TestPropertyMap.h"
#include "TestShutdownInformer.h"

#include <gtest/gtest.h>

using namespace FilterTests;

namespace {

// Indexes name entries of the listing, an empty one has none; a missing count is the host's invalid argument.
TEST(HostCalls, RefuseNullOutPointersAndIndexesBeyondTheListing)
{
    const auto filter = std::make_unique<BoxFilter>();
    TalvernCommon::unique_bstr text;
    EXPECT_EQ(E_POINTER, filter->raw_SetSyncStartPointByString(nullptr, nullptr));
    EXPECT_EQ(E_POINTER, filter->raw_GetFilterNames(text.put(), nullptr));
    EXPECT_EQ(E_INVALIDARG, filter->get_ServerItemCount(0, nullptr));
    EXPECT_EQ(E_INVALIDARG, filter->raw_GetItemBasicProps(0, nullptr));
    EXPECT_EQ(E_INVALIDARG, filter->get_ServerItem(-1, text.put()));

    const auto plain = std::make_unique<PlainFilter>();
    long count = 77;
    EXPECT_EQ(E_NOTIMPL, plain->get_ServerItemCount(0, &count));
    EXPECT_EQ(0, count);
    EXPECT_EQ(E_NOTIMPL, plain->get_ServerItem(0, text.put()));
    EXPECT_EQ(nullptr, text.get());
}

TEST(ChangeToken, IsWrittenOnTheFolderMapAndARefusedWriteFails)
{
    EXPECT_EQ(S_OK, std::make_unique<BoxFilter>()->raw_PostContentSyncFolderUpdate(nullptr));
    const auto map = TestHost::TestPropertyMap::Create();
    map->SetText(L"ChangeToken", L"stale");
    EXPECT_EQ(S_OK, std::make_unique<BoxFilter>()->raw_PostContentSyncFolderUpdate(map.get()));
    EXPECT_EQ(std::wstring(), map->Text(L"ChangeToken").value_or(L"absent"));
    map->FailWrites(L"ChangeToken", E_ACCESSDENIED);
    EXPECT_EQ(E_ACCESSDENIED, std::make_unique<BoxFilter>()->raw_PostContentSyncFolderUpdate(map.get()));
}

// A host whose compiler gives the destructor one slot calls the main folder's properties at slot 32.
TEST(HostSlots, MainFolderPropertiesSitAtSlot32AfterAReservedSlot)
{
    using SlotMethod = HRESULT(STDMETHODCALLTYPE*)(ILSSyncFilter2*, ILSPropertyMap*);
    using ReservedMethod = HRESULT(STDMETHODCALLTYPE*)(ILSSyncFilter2*);
    const auto filter = std::make_unique<BoxFilter>();
    ILSSyncFilter2* const primary = filter.get();
    void* const* const table = *reinterpret_cast<void* const* const*>(primary);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wpmf-conversions"
    EXPECT_EQ(reinterpret_cast<void*>(primary->*(&ILSSyncFilter2::raw_SetMainFolderProperties)), table[32]);
    EXPECT_EQ(reinterpret_cast<void*>(primary->*(&ILSSyncFilter2::ReservedDestructorSlot)), table[31]);
#pragma GCC diagnostic pop
    EXPECT_EQ(E_NOTIMPL, reinterpret_cast<ReservedMethod>(table[31])(primary));
    const auto folder = TestHost::TestPropertyMap::Create();
    EXPECT_EQ(primary->raw_SetMainFolderProperties(folder.get()),
              reinterpret_cast<SlotMethod>(table[32])(primary, folder.get()));
}

TEST(HostObjects, AreHeldWithOneReferenceEachAndHandedBack)
{
    CountingUnknown callback;
    const auto informer = TestHost::TestShutdownInformer::Create();
    ILSShutdownInformer* const host = informer.get();
    const auto hostReferences = [host] { return (host->AddRef(), host->Release()); };
    const ULONG baseline = hostReferences();
    {
        const auto filter = std::make_unique<BoxFilter>();
        ASSERT_EQ(S_OK, filter->put_pShutdownInformer(host));
        EXPECT_EQ(baseline + 1, hostReferences());
        TalvernCommon::com_ptr<ILSShutdownInformer> handedOutInformer;
        ASSERT_EQ(S_OK, filter->get_pShutdownInformer(handedOutInformer.put()));
        EXPECT_EQ(host, handedOutInformer.get());
        EXPECT_EQ(S_OK, filter->get_pShutdownInformer(nullptr)) << "a get with nowhere to write asks nothing";
        EXPECT_EQ(baseline + 2, hostReferences());

        for (int put = 0; put < 2; ++put) {
            ASSERT_EQ(S_OK, filter->put_ExtensionsCallback(&callback));
            EXPECT_EQ(2u, callback.References()) << "put " << put << " of the kept object";
        }
        EXPECT_EQ(S_OK, filter->get_ExtensionsCallback(nullptr));
        EXPECT_EQ(2u, callback.References());
        IUnknown* handedOut = nullptr;
        ASSERT_EQ(S_OK, filter->get_ExtensionsCallback(&handedOut));
        EXPECT_EQ(&callback, handedOut);
        EXPECT_EQ(3u, callback.References());
        handedOut->Release();
        ASSERT_EQ(S_OK, filter->put_ExtensionsCallback(nullptr));
        EXPECT_EQ(1u, callback.References()) << "clearing kept the old object";
        ASSERT_EQ(S_OK, filter->put_ExtensionsCallback(&callback));
    }
    EXPECT_EQ(1u, callback.References()) << "the filter's reference outlived it";
    EXPECT_EQ(baseline, hostReferences());
}

} // namespace
