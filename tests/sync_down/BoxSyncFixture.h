// The Box filter as the host drives it against the stand-in, with its settings and a start folder.
#pragma once

#include "ComDef.h"
#include "ComOwners.h"
#include "FilterTestObjects.h"
#include "OperationsFixture.h"
#include "TestPropertyMap.h"

namespace SyncDown {

constexpr VARIANT_BOOL T = VARIANT_TRUE, F = VARIANT_FALSE;
constexpr char kItemsRoute[] = "GET /2.0/folders/{folder_id}/items";

class BoxSyncTest : public BoxOperations::OperationsTest {
protected:
    void SetUp() override
    {
        OperationsTest::SetUp();
        settings_.SetString(SettingsSource::User, L"BoxSync.EmailMetaDataTemplateName", L"mailProps");
        settings_.SetString(SettingsSource::User, L"BoxSync.FingerprintMetaDataTemplateName", L"fingerprints");
        settings_.SetDword(SettingsSource::User, L"BoxSync.MarkerBasedPagingLimit", 2);
        filter_->put_pShutdownInformer(informer_.get());
    }

    static TalvernCommon::com_ptr<TestHost::TestPropertyMap> StartFolder(const wchar_t* id)
    {
        auto map = TestHost::TestPropertyMap::Create();
        map->SetText(L"Quentra.FromServerShortItemId", id);
        map->SetNumber(L"Quentra.MainFolder", 1);
        return map;
    }

    std::unique_ptr<FilterTests::BoxFilter> filter_ = std::make_unique<FilterTests::BoxFilter>();
    ILSSyncFilter2& host_ = *filter_;
};

} // namespace SyncDown
