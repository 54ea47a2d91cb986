// The filter as the host gets it through COM: interfaces, late binding, aggregation, unloading.
#include "FilterClass.h"
#include "ServerDll.h"
#include "ServerRegistry.h"
#include "TestStartPointProvider.h"

#include <gtest/gtest.h>

#include <optional>

namespace {

using TalvernCommon::com_ptr;
using TestSupport::NamedInterface;

com_ptr<IUnknown> Query(IUnknown* object, REFIID iid)
{
    com_ptr<IUnknown> answer;
    object->QueryInterface(iid, answer.put_void());
    return answer;
}

// The HRESULT of a call that must leave its out pointer null.
template <typename Call>
HRESULT NullingOut(Call call)
{
    void* answer = reinterpret_cast<void*>(1);
    const HRESULT hr = call(&answer);
    EXPECT_EQ(answer, nullptr);
    return hr;
}

// Registered for the machine once, as the installer leaves it, beside the host's type library.
class Activation : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        RemoveServerRegistration();
        s_hostLibrary.emplace();
        ServerDll server;
        s_registration = server.Load() ? server.RegisterServer() : E_FAIL;
    }

    static void TearDownTestSuite()
    {
        ::CoFreeUnusedLibrariesEx(0, 0);
        RemoveServerRegistration();
        s_hostLibrary.reset();
    }

    void SetUp() override
    {
        ASSERT_EQ(s_registration, S_OK);
        ASSERT_EQ(s_hostLibrary->Registration(), S_OK);
    }

    void TearDown() override { EXPECT_EQ(LoadedServerCanUnloadNow(), S_OK) << "an instance outlived its test"; }

    static inline std::optional<HostTypeLibrary> s_hostLibrary;
    static inline HRESULT s_registration = E_FAIL;
};

TEST_F(Activation, CreatesTheFilterByEveryIdAnswersItsMapOnlyAndStaysWhileAnInstanceLives)
{
    CLSID byProgId = GUID_NULL;
    ASSERT_EQ(::CLSIDFromProgID(L"Talvern.SyncFilter.Box.1", &byProgId), S_OK);
    // The version-independent program id names the current one in its CurVer key.
    const CLSID byVersionIndependentProgId = TestSupport::FollowCurVer(L"Talvern.SyncFilter.Box").clsid;
    std::vector<com_ptr<IUnknown>> instances;
    for (const CLSID& clsid : {CLSID_VESKBoxSyncFilter, byProgId, byVersionIndependentProgId}) {
        ASSERT_EQ(clsid, CLSID_VESKBoxSyncFilter);
        instances.emplace_back();
        ASSERT_EQ(::CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, instances.back().put_void()),
                  S_OK);
    }

    IUnknown* const identity = instances.front().get();
    for (const NamedInterface& answered : TestSupport::FilterComMap()) {
        SCOPED_TRACE(answered.name);
        const com_ptr<IUnknown> pointer = Query(identity, *answered.iid);
        ASSERT_TRUE(pointer);
        EXPECT_EQ(Query(pointer.get(), IID_IUnknown).get(), identity);
        EXPECT_EQ(Query(pointer.get(), *answered.iid).get(), pointer.get());
    }
    // Interfaces a COM object is often asked for, and one of the host's own.
    for (const IID* refused : {&IID_IMarshal, &IID_IClassFactory, &IID_ILSPropertyMap})
        EXPECT_EQ(NullingOut([&](void** out) { return identity->QueryInterface(*refused, out); }), E_NOINTERFACE);
    EXPECT_EQ(identity->QueryInterface(IID_IUnknown, nullptr), E_POINTER);

    instances.resize(1);
    EXPECT_EQ(LoadedServerCanUnloadNow(), S_FALSE);
    instances.clear();
    EXPECT_EQ(LoadedServerCanUnloadNow(), S_OK);
}

// IDispatch belongs to the host's sync filter interface, not to the class's own dual one.
TEST_F(Activation, DispatchIsTheHostSyncFilterInterfaceLateBound)
{
    const auto newDispatch = [] {
        com_ptr<IDispatch> created;
        ::CoCreateInstance(CLSID_VESKBoxSyncFilter, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, created.put_void());
        return created;
    };
    const com_ptr<IDispatch> dispatch = newDispatch();
    ASSERT_TRUE(dispatch);
    com_ptr<ITypeInfo> info;
    ASSERT_EQ(dispatch->GetTypeInfo(0, LOCALE_USER_DEFAULT, info.put()), S_OK);
    TYPEATTR* attributes = nullptr;
    ASSERT_EQ(info->GetTypeAttr(&attributes), S_OK);
    EXPECT_EQ(attributes->guid, IID_ILSSyncFilter2);
    info->ReleaseTypeAttr(attributes);
    EXPECT_EQ(dispatch->GetTypeInfo(1, LOCALE_USER_DEFAULT, com_ptr<ITypeInfo>().put()), DISP_E_BADINDEX);

    // Late-bound calls by names of either generation of the interface give what early-bound ones give.
    const auto idOf = [&](const wchar_t* name) {
        LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
        DISPID id = DISPID_UNKNOWN;
        EXPECT_EQ(dispatch->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id), S_OK);
        return id;
    };
    com_ptr<ILSSyncFilter2> filter;
    ASSERT_EQ(dispatch->QueryInterface(IID_ILSSyncFilter2, filter.put_void()), S_OK);
    VARIANT_BOOL early = 7;
    ASSERT_EQ(filter->GetChecksDuplicatesOnAdd(&early), S_OK);
    DISPPARAMS noArguments = {};
    TalvernCommon::unique_variant late;
    EXPECT_EQ(dispatch->Invoke(idOf(L"GetChecksDuplicatesOnAdd"), IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD,
                               &noArguments, late.put(), nullptr, nullptr),
              S_OK);
    EXPECT_EQ(late.vt(), VT_BOOL);
    EXPECT_EQ(late.get()->boolVal, early);
    VARIANT arguments[2] = {};
    arguments[0].vt = arguments[1].vt = VT_I4;
    arguments[0].lVal = arguments[1].lVal = 1;
    DISPPARAMS twoArguments = {arguments, nullptr, 2, 0};
    EXCEPINFO exception = {};
    EXPECT_EQ(dispatch->Invoke(idOf(L"UnimplementedMethod"), IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD,
                               &twoArguments, nullptr, &exception, nullptr),
              DISP_E_EXCEPTION);
    EXPECT_EQ(exception.scode, E_NOTIMPL);
    for (BSTR text : {exception.bstrSource, exception.bstrDescription, exception.bstrHelpFile})
        ::SysFreeString(text);
    for (const wchar_t* name : {L"raw_SetCurrentProfileName", L"raw_UpdateFolder"})
        EXPECT_NE(idOf(name), DISPID_UNKNOWN) << name;
    EXPECT_EQ(dispatch->Invoke(999, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &noArguments, nullptr, nullptr,
                               nullptr),
              DISP_E_MEMBERNOTFOUND);

    // Without the host's type library a new instance has no type information to give.
    s_hostLibrary->Withdraw();
    ITypeInfo* none = reinterpret_cast<ITypeInfo*>(1);
    const HRESULT withdrawn = newDispatch()->GetTypeInfo(0, LOCALE_USER_DEFAULT, &none);
    s_hostLibrary->Restore();
    EXPECT_EQ(withdrawn, TYPE_E_LIBNOTREGISTERED);
    EXPECT_EQ(none, nullptr);
}

TEST_F(Activation, AggregatedOnlyThroughIUnknownTheFilterLivesInTheOuterObjectsIdentity)
{
    auto outer = TestHost::TestStartPointProvider::Create(L"0");
    com_ptr<ILSSyncFilter2> filter;
    EXPECT_EQ(::CoCreateInstance(CLSID_VESKBoxSyncFilter, outer->Identity(), CLSCTX_INPROC_SERVER, IID_ILSSyncFilter2,
                                 filter.put_void()),
              CLASS_E_NOAGGREGATION);
    EXPECT_FALSE(filter);
    ASSERT_EQ(outer->AggregateClass(CLSID_VESKBoxSyncFilter), S_OK);
    ASSERT_EQ(outer->QueryInterface(IID_ILSSyncFilter2, filter.put_void()), S_OK);
    EXPECT_EQ(Query(filter.get(), IID_IUnknown).get(), outer->Identity());
    EXPECT_TRUE(Query(filter.get(), IID_ILSStartPointProvider));
    EXPECT_TRUE(Query(filter.get(), IID_ILSOnlineCheck));

    // References taken through the filter count on the outer object.
    const ULONG outerCount = outer->AddRef();
    EXPECT_EQ(filter->AddRef(), outerCount + 1);
    filter->Release();
    outer->Release();
    filter.reset();
    EXPECT_EQ(LoadedServerCanUnloadNow(), S_FALSE);
    outer = {};
}

// Class-object requests straight to the DLL, as COM makes them.
TEST(ClassObject, RefusesWhatItCannotMakeAndKeepsTheServerWhileHeldOrLocked)
{
    ServerDll server;
    ASSERT_TRUE(server.Load());
    EXPECT_EQ(NullingOut([&](void** out) { return server.GetClassObject(IID_ILSSyncFilter2, IID_IClassFactory, out); }),
              CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(server.GetClassObject(CLSID_VESKBoxSyncFilter, IID_IClassFactory, nullptr), E_POINTER);
    EXPECT_EQ(NullingOut([&](void** out) { return server.GetClassObject(CLSID_VESKBoxSyncFilter, IID_IDispatch, out); }),
              E_NOINTERFACE);

    com_ptr<IClassFactory> factory;
    ASSERT_EQ(server.GetClassObject(CLSID_VESKBoxSyncFilter, IID_IClassFactory, factory.put_void()), S_OK);
    EXPECT_EQ(server.CanUnloadNow(), S_FALSE);
    EXPECT_EQ(NullingOut([&](void** out) { return factory->CreateInstance(nullptr, IID_IPersist, out); }), E_NOINTERFACE);
    EXPECT_EQ(factory->CreateInstance(nullptr, IID_IUnknown, nullptr), E_POINTER);

    EXPECT_EQ(factory->LockServer(TRUE), S_OK);
    factory.reset();
    EXPECT_EQ(server.CanUnloadNow(), S_FALSE);
    ASSERT_EQ(server.GetClassObject(CLSID_VESKBoxSyncFilter, IID_IClassFactory, factory.put_void()), S_OK);
    EXPECT_EQ(factory->LockServer(FALSE), S_OK);
    factory.reset();
    // The refused instance went at once.
    EXPECT_EQ(server.CanUnloadNow(), S_OK);
}

} // namespace
