// The upload fixture with a Box filter started at the root folder, and host-side item maps.
#pragma once

#include "ComDef.h"
#include "FilterTestObjects.h"
#include "LSHash.h"
#include "StringUtils.h"
#include "UploadFixture.h"

#include <memory>
#include <string>

namespace SyncUp {

using TestHost::TestPropertyMap;
using ItemMap = TalvernCommon::com_ptr<TestPropertyMap>;
using BoxUploads::LocalFile;

inline std::wstring Text(const ItemMap& map, const wchar_t* name) { return map->Text(name).value_or(L"<absent>"); }
inline std::wstring SyncIssueType(const TestPropertyMap* m) { return m->Text(L"Quentra.SyncIssueType").value_or(L""); }
inline std::wstring SyncIssueMessage(const TestPropertyMap* map)
{
    return map->Text(L"Quentra.SyncIssueMessage").value_or(L"");
}
inline std::wstring Guid(const std::string& id) { return CLSHash::GetGuidForString(AnsiToWide(id)); }

class SyncUpTest : public BoxUploads::UploadTest {
protected:
    void SetUp() override
    {
        UploadTest::SetUp();
        // The filter reads these once per process: every test sets them alike.
        settings_.SetString(SettingsSource::User, L"BoxSync.EmailMetaDataTemplateName", L"mailProps");
        settings_.SetString(SettingsSource::User, L"BoxSync.FingerprintMetaDataTemplateName", L"fingerprints");
        settings_.SetDword(SettingsSource::User, L"BoxSync.PerformOnlineDuplicateSearch", 1);
        ASSERT_EQ(S_OK, filter_->put_pShutdownInformer(informer_.get()));
        ASSERT_EQ(S_OK, filter_->raw_SetSyncStartPoint(Map({{L"Quentra.FolderLocation", L"0"}}).get(), VARIANT_TRUE,
                                                       VARIANT_FALSE, VARIANT_FALSE, 0, VARIANT_FALSE));
        journalStart_ = standIn_.JournalNext();
    }

    static ItemMap Map(std::initializer_list<std::pair<const wchar_t*, const wchar_t*>> texts)
    {
        ItemMap map = TestPropertyMap::Create();
        for (const auto& [name, value] : texts)
            map->SetText(name, value);
        return map;
    }
    HRESULT Add(const LocalFile& file, const std::wstring& name, const ItemMap& item) const
    {
        return filter_->raw_AddNewDocument(_bstr_t(file.Path().c_str()), _bstr_t(name.c_str()), 0, item.get());
    }
    HRESULT Update(const std::wstring& name, const ItemMap& item, const LocalFile& file = LocalFile::WithPattern(10, 7))
    {
        return filter_->raw_UpdateDocument(_bstr_t(file.Path().c_str()), _bstr_t(name.c_str()), 0, item.get());
    }
    ItemMap SyncedItem(const std::string& id) const
    {
        const Json::Value file = standIn_.Item("file", id);
        return Map({{L"Quentra.FromServerFileId", AnsiToWide(id).c_str()},
                    {L"Quentra.FromServerFileName", AnsiToWide(file["name"].asString()).c_str()},
                    {L"Quentra.FromServerETag", AnsiToWide(file["etag"].asString()).c_str()}});
    }
    std::string Seed(const std::string& kind, const std::string& name) const
    {
        const std::string content = kind == "file" ? R"(,"content_text":"content")" : "";
        return standIn_.Post("seed", BoxRoad::ParseJson(R"({")" + kind + R"(s":[{"name":")" + name +
                                                        R"(","parent_id":"0")" + content + "}]}"))
            [kind + "s"][0].asString();
    }
    int RequestCount() const { return standIn_.JournalNext() - journalStart_; }
    Json::Value RootChildren() const { return standIn_.Item("folder", "0")["children"]; }
    static bool HasIdentity(const ItemMap& m) { return m->Has(L"UniqueId") || m->Has(L"Quentra.FromServerFileId"); }

    std::unique_ptr<FilterTests::BoxFilter> filter_ = std::make_unique<FilterTests::BoxFilter>();
    int journalStart_ = 0;
};

} // namespace SyncUp
