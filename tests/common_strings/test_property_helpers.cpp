#include "ComOwners.h"
#include "HResultException.h"
#include "LSNamedProperties.h"
#include "LSPropertyHelpers.h"
#include "LSSyncHelper.h"
#include "TestFieldSetInfo.h"
#include "TestPropertyMap.h"
#include "ThrownHresult.h"

#include <gtest/gtest.h>

using TestHost::TestFieldSetInfo;
using TestHost::TestPropertyMap;
using TestSupport::ThrownHresult;

namespace {

// 2024-03-01 10:20:30 UTC as an OLE automation date.
constexpr DATE kMarchFirst = 45352.0 + (10 * 3600 + 20 * 60 + 30) / 86400.0;

DATE ConvertedDate(const std::wstring& text)
{
    _variant_t date;
    EXPECT_TRUE(LSSyncHelper::ConvertDateVariant(text, date, false)) << text;
    return LSSyncHelper::ChangeVariantType(date);
}

} // namespace

TEST(LSPropertyHelpers, ReadsFallBackToTheDefaultWritesAreSeenNullMapsAndFailedWritesRaised)
{
    auto map = TestPropertyMap::Create();
    map->SetText(L"VESK.DuplicateHash", L"abc123");
    map->SetFlag(L"Quentra.MainFolder", true);
    EXPECT_EQ(LSPropertyHelpers::getProp(map.get(), LSNamedProperties::VESKDuplicateHash, L""), L"abc123");
    EXPECT_EQ(LSPropertyHelpers::getProp(map.get(), LSNamedProperties::QuentraFromServerETag, L"none"), L"none");
    // A property of another type reads as absent.
    EXPECT_EQ(LSPropertyHelpers::getProp(map.get(), LSNamedProperties::QuentraMainFolder, L"dflt"), L"dflt");
    EXPECT_TRUE(LSPropertyHelpers::getProp(map.get(), LSNamedProperties::QuentraMainFolder, false));
    EXPECT_TRUE(LSPropertyHelpers::getProp(map.get(), L"0x3016000b", true));
    LSPropertyHelpers::setBoolProp(map.get(), L"0x3016000b", true);
    EXPECT_EQ(map->Flag(L"0x3016000b"), true);
    EXPECT_EQ(ThrownHresult([] { LSPropertyHelpers::getProp(nullptr, L"x", L""); }), E_INVALIDARG);
    EXPECT_EQ(ThrownHresult([] { LSPropertyHelpers::setBoolProp(nullptr, L"x", true); }), E_INVALIDARG);
    map->FailWrites(L"0x3016000c", E_ACCESSDENIED);
    EXPECT_EQ(ThrownHresult([&] { LSPropertyHelpers::setBoolProp(map.get(), L"0x3016000c", true); }), E_ACCESSDENIED);
    EXPECT_FALSE(map->Has(L"0x3016000c"));
}

TEST(LSSyncHelper, IsoDatesBecomeUtcDatesOtherTextsGiveFalse)
{
    EXPECT_NEAR(ConvertedDate(L"2024-03-01T10:20:30Z"), kMarchFirst, 1e-9);
    EXPECT_NEAR(ConvertedDate(L"2024-03-01T12:20:30+02:00"), kMarchFirst, 1e-9);
    EXPECT_NEAR(ConvertedDate(L" 2024-03-01T10:20:30.987Z "), kMarchFirst, 1e-9);
    // Back across midnight into the leap day.
    EXPECT_NEAR(ConvertedDate(L"2024-03-01T01:00:00+02:00"), 45351.0 + 23 / 24.0, 1e-9);
    EXPECT_EQ(LSSyncHelper::FormatDateTime(kMarchFirst), L"2024-03-01 10:20:30");
    // The unknown-date value lies beyond the calendar; a log line still gets a text.
    EXPECT_EQ(LSSyncHelper::FormatDateTime(3660000.0), L"3660000.000000");
    for (const wchar_t* text : {L"", L"2024-02-30T00:00:00Z", L"2024-03-01T25:00:00Z", L"2024-03-01T10:20:30+5"}) {
        _variant_t date(1.0);
        EXPECT_FALSE(LSSyncHelper::ConvertDateVariant(text, date, false)) << text;
        EXPECT_EQ(date.vt, VT_EMPTY) << text;
    }
    EXPECT_THROW(LSSyncHelper::ChangeVariantType(_variant_t(L"no date")), hresult_exception);
}

// Fields are written as the framework does: the host's field information, then the value.
TEST(FieldValues, TextsAreStoredWithTheFieldsTypeValuesThatDoNotFitAreRefused)
{
    const auto map = TestPropertyMap::Create();
    const auto fields = TestFieldSetInfo::Create();
    fields->Initialize(nullptr, map.get());
    fields->SeedField(L"Box-Title", L"Title", VT_BSTR);
    fields->SeedField(L"Box-Pages", L"Pages", VT_I4);
    fields->SeedField(L"Box-Due", L"Due", VT_DATE);
    fields->SeedField(L"Box-Final", L"Final", VT_BOOL);
    fields->SeedField(L"Box-Price", L"Price", VT_R8);
    const auto setField = [&](const wchar_t* field, const std::wstring& value) {
        LSFieldInfo info{};
        EXPECT_EQ(fields->getFieldInfo(_bstr_t(field), &info), S_OK);
        const TalvernCommon::unique_bstr name(info.PropertyName);
        return LSSyncHelper::setFieldValue(info, map.get(), value);
    };
    EXPECT_EQ(setField(L"Box-Pages", L"42"), S_OK);
    EXPECT_EQ(setField(L"Box-Due", L"2024-03-01T10:20:30Z"), S_OK);
    EXPECT_EQ(setField(L"Box-Final", L"1"), S_OK);
    EXPECT_EQ(map->Number(L"Pages"), 42);
    EXPECT_NEAR(map->Date(L"Due").value_or(0), kMarchFirst, 1e-9);
    EXPECT_EQ(map->Flag(L"Final"), true);
    EXPECT_EQ(setField(L"Box-Final", L"0"), S_OK);
    EXPECT_EQ(map->Flag(L"Final"), false);
    EXPECT_TRUE(FAILED(setField(L"Box-Pages", L"many")));
    EXPECT_TRUE(FAILED(setField(L"Box-Due", L"soon")));
    EXPECT_EQ(setField(L"Box-Price", L"9.5"), DISP_E_BADVARTYPE);
    // A refused value leaves what was there.
    EXPECT_EQ(map->Count(), 3u);
    EXPECT_EQ(map->Number(L"Pages"), 42);
    EXPECT_EQ(LSSyncHelper::setFieldValue(LSFieldInfo{nullptr, VT_BSTR}, map.get(), L"x"), E_INVALIDARG);
    map->FailWrites(L"Title", E_ACCESSDENIED);
    EXPECT_EQ(setField(L"Box-Title", L"x"), E_ACCESSDENIED);
}
