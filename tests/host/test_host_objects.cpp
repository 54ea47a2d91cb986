#include "ComOwners.h"
#include "ComPtr.h"
#include "TestFieldSetInfo.h"
#include "TestPropertyMap.h"
#include "TestShutdownInformer.h"
#include "TestStartPointProvider.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <thread>

using namespace TestHost;
using TalvernCommon::com_ptr;
using TalvernCommon::unique_bstr;

namespace {

unique_bstr Bstr(const wchar_t* text) { return unique_bstr(SysAllocString(text)); }

// What the filter hands to put_ItemStrs: a VT_ARRAY | VT_BSTR VARIANT.
class BstrArray {
public:
    explicit BstrArray(std::initializer_list<const wchar_t*> texts)
    {
        VARIANT& value = *value_.get();
        value.vt = VT_ARRAY | VT_BSTR;
        value.parray = SafeArrayCreateVector(VT_BSTR, 0, static_cast<ULONG>(texts.size()));
        LONG index = 0;
        for (const wchar_t* text : texts) {
            const unique_bstr element = Bstr(text);
            SafeArrayPutElement(value.parray, &index, element.get());
            ++index;
        }
    }
    const VARIANT& get() const { return *value_.get(); }

private:
    TalvernCommon::unique_variant value_;
};

struct ComApartment {
    ComApartment() : joined(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
    ~ComApartment()
    {
        if (joined)
            CoUninitialize();
    }
    const bool joined;
};

template <class Interface, class Object>
HRESULT Query(Object* object, com_ptr<Interface>& out)
{
    return object->QueryInterface(__uuidof(Interface), out.put_void());
}

} // namespace

TEST(TestPropertyMap, FailedReadsLeaveTheOutputAlone)
{
    const auto map = TestPropertyMap::Create();
    map->SetNumber(L"VersionId", 3);
    BSTR untouched = reinterpret_cast<BSTR>(0x1);
    EXPECT_EQ(TestPropertyMap::kNotFound, map->get_ItemStr(Bstr(L"Missing").get(), &untouched));
    EXPECT_EQ(DISP_E_TYPEMISMATCH, map->get_ItemStr(Bstr(L"VersionId").get(), &untouched));
    EXPECT_EQ(E_INVALIDARG, map->get_ItemStr(nullptr, &untouched));
    EXPECT_EQ(reinterpret_cast<BSTR>(0x1), untouched);
    DATE date = 7.0;
    EXPECT_EQ(TestPropertyMap::kNotFound, map->get_ItemDate(Bstr(L"Missing").get(), &date));
    EXPECT_EQ(7.0, date);
}

TEST(TestPropertyMap, WritesAreVisibleToLaterReads)
{
    const auto map = TestPropertyMap::Create();
    ASSERT_EQ(S_OK, map->put_ItemStr(Bstr(L"Quentra.FromServerETag").get(), Bstr(L"e1").get()));
    ASSERT_EQ(S_OK, map->put_ItemDate(Bstr(L"0x0e060040").get(), 45000.5));
    ASSERT_EQ(S_OK, map->put_ItemBool(Bstr(L"0x0e1b000b").get(), 255));
    BSTR text = nullptr;
    ASSERT_EQ(S_OK, map->get_ItemStr(Bstr(L"Quentra.FromServerETag").get(), &text));
    EXPECT_STREQ(L"e1", unique_bstr(text).get());
    DATE date = 0;
    EXPECT_EQ(S_OK, map->get_ItemDate(Bstr(L"0x0e060040").get(), &date));
    EXPECT_EQ(45000.5, date);
    unsigned char flag = 0;
    EXPECT_EQ(S_OK, map->get_ItemBool(Bstr(L"0x0e1b000b").get(), &flag));
    EXPECT_EQ(1, flag);
    EXPECT_EQ(TestPropertyMap::kNotFound, map->get_ItemBool(Bstr(L"0x0E1B000B").get(), &flag));
    VARIANT_BOOL exists = VARIANT_FALSE;
    EXPECT_EQ(S_OK, map->get_ItemExists(Bstr(L"0x0e060040").get(), &exists));
    EXPECT_EQ(VARIANT_TRUE, exists);
}

TEST(TestPropertyMap, ItemStrsWritesEveryNameTabValue)
{
    const auto map = TestPropertyMap::Create();
    const BstrArray texts{L"A\tone", L"B\ttwo\tparts", L"C\t"};
    ASSERT_EQ(S_OK, map->put_ItemStrs(texts.get()));
    EXPECT_EQ(L"one", map->Text(L"A"));
    EXPECT_EQ(L"two\tparts", map->Text(L"B"));
    EXPECT_EQ(L"", map->Text(L"C"));
    EXPECT_EQ(1, map->ItemStrsCalls());
}

TEST(TestPropertyMap, ItemStrsRejectsBadInputAndWritesNothing)
{
    const auto map = TestPropertyMap::Create();
    map->FailWrites(L"Locked", E_ACCESSDENIED);
    const struct {
        BstrArray texts;
        HRESULT expected;
    } cases[] = {
        {BstrArray{L"A\tone", L"no tab"}, E_INVALIDARG},
        {BstrArray{L"A\tone", L"\tnameless"}, E_INVALIDARG},
        {BstrArray{L"A\tone", L"Locked\tvalue"}, E_ACCESSDENIED},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.expected, map->put_ItemStrs(c.texts.get()));
    TalvernCommon::unique_variant single;
    single.get()->vt = VT_BSTR;
    single.get()->bstrVal = SysAllocString(L"A\tone");
    EXPECT_EQ(E_INVALIDARG, map->put_ItemStrs(*single.get()));
    EXPECT_EQ(0u, map->Count());
}

TEST(TestPropertyMap, OffersNamedPropertyTagsUnderOneIdentity)
{
    const auto map = TestPropertyMap::Create();
    com_ptr<ILSNamedPropertyTags> tags;
    ASSERT_EQ(S_OK, Query(static_cast<ILSPropertyMap*>(map.get()), tags));
    com_ptr<IUnknown> fromMap, fromTags;
    ASSERT_EQ(S_OK, Query(static_cast<ILSPropertyMap*>(map.get()), fromMap));
    ASSERT_EQ(S_OK, Query(tags.get(), fromTags));
    EXPECT_EQ(fromMap.get(), fromTags.get());
    com_ptr<IDispatch> dispatch;
    EXPECT_EQ(S_OK, Query(tags.get(), dispatch));

    LONG tag = 0;
    ASSERT_EQ(S_OK, tags->GetTagForNamedId(0x8514, &tag));
    EXPECT_EQ(static_cast<LONG>(0x85140000), tag);

    const auto plain = TestPropertyMap::Create(TestPropertyMap::NamedTags::NotOffered);
    com_ptr<ILSNamedPropertyTags> none;
    EXPECT_EQ(E_NOINTERFACE, Query(static_cast<ILSPropertyMap*>(plain.get()), none));
    EXPECT_FALSE(none);
}

TEST(TestShutdownInformer, StopRequestedOnAnotherThreadIsSeen)
{
    const auto informer = TestShutdownInformer::Create();
    VARIANT_BOOL stop = VARIANT_TRUE;
    ASSERT_EQ(S_OK, informer->get_IsShuttingDown(&stop));
    EXPECT_EQ(VARIANT_FALSE, stop);
    std::thread([&informer] { informer->RequestStop(); }).join();
    ASSERT_EQ(S_OK, informer->get_IsShuttingDown(&stop));
    EXPECT_EQ(VARIANT_TRUE, stop);
    EXPECT_EQ(2, informer->StopQueries());

    EXPECT_EQ(S_OK, informer->NotifyRequestStart());
    EXPECT_EQ(1, informer->RequestStarts());
}

TEST(TestFieldSetInfo, AnswersSeededFieldsOnlyAfterInitialize)
{
    const auto fields = TestFieldSetInfo::Create();
    fields->SeedField(L"Box-Category", L"VESK.Category", VT_BSTR);
    LSFieldInfo info{};
    EXPECT_EQ(E_UNEXPECTED, fields->getFieldInfo(Bstr(L"Box-Category").get(), &info));

    const auto folder = TestPropertyMap::Create();
    ASSERT_EQ(S_OK, fields->Initialize(folder->Identity(), folder.get()));
    ASSERT_EQ(S_OK, fields->getFieldInfo(Bstr(L"Box-Category").get(), &info));
    EXPECT_STREQ(L"VESK.Category", unique_bstr(info.PropertyName).get());
    EXPECT_EQ(VT_BSTR, info.FieldType);
    EXPECT_EQ(TYPE_E_ELEMENTNOTFOUND, fields->getFieldInfo(Bstr(L"box-Category").get(), &info));
}

TEST(TestStartPointProvider, AggregatedObjectAnswersForTheProvider)
{
    const ComApartment apartment;
    const auto provider = TestStartPointProvider::Create(L"12345");
    ASSERT_EQ(S_OK, provider->Aggregate([](IUnknown* outer, IUnknown** inner) {
        return CoCreateFreeThreadedMarshaler(outer, inner);
    }));
    com_ptr<IMarshal> inner;
    ASSERT_EQ(S_OK, Query(static_cast<ILSStartPointProvider*>(provider.get()), inner));

    // The inner object's view of its identity is the provider, as the filter's will be.
    com_ptr<ILSStartPointProvider> found;
    ASSERT_EQ(S_OK, Query(inner.get(), found));
    EXPECT_EQ(static_cast<ILSStartPointProvider*>(provider.get()), found.get());
    BSTR startPoint = nullptr;
    ASSERT_EQ(S_OK, found->GetStartPoint(&startPoint));
    EXPECT_STREQ(L"12345", unique_bstr(startPoint).get());

    provider->FailWith(E_ACCESSDENIED);
    EXPECT_EQ(E_ACCESSDENIED, found->GetStartPoint(&startPoint));
}
