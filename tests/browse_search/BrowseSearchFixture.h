// A Box filter object on the stand-in with the e-mail template, folder exclusions and one custom column.
#pragma once

#include "FilterTestObjects.h"
#include "OperationsFixture.h"

#include "ComOwners.h"

#include <memory>
#include <string>

namespace BrowseSearch {

using BoxOperations::Wide;

inline constexpr wchar_t kApplicationUrl[] = L"https://app.box.com";

class BrowseSearchTest : public BoxOperations::OperationsTest {
protected:
    void SetUp() override
    {
        OperationsTest::SetUp();
        settings_.SetString(SettingsSource::User, L"BoxSync.EmailMetaDataTemplateName", BoxOperations::kEmailTemplate);
        settings_.SetString(SettingsSource::User, L"BoxSync.ExcludeFolderRegEx", L"Archive\\ntemp");
        settings_.SetString(SettingsSource::User, L"VESK.OnlineSearchCustomColumns.Box",
                            LR"([{"InternalName":"content_modified_at","DisplayName":"Changed","Type":"DateTime"}])");
        filter_ = NewFilter();
    }

    std::unique_ptr<FilterTests::BoxFilter> NewFilter() const
    {
        auto filter = std::make_unique<FilterTests::BoxFilter>();
        filter->put_pShutdownInformer(informer_.get());
        return filter;
    }

    // The text of a BSTR out-argument; "(null)" for none.
    static std::wstring Text(const TalvernCommon::unique_bstr& text)
    {
        return text.get() != nullptr ? std::wstring(text.get(), ::SysStringLen(text.get())) : L"(null)";
    }

    std::unique_ptr<FilterTests::BoxFilter> filter_;
};

} // namespace BrowseSearch
