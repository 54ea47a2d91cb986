#include "SyncUpFixture.h"

#include "LSNamedProperties.h"
#include "StringUtils.h"

namespace SyncUp {

std::wstring Text(const ItemMap& map, const _bstr_t& name)
{
    return map->Text(static_cast<const wchar_t*>(name)).value_or(L"<absent>");
}

void SyncUpTest::SetUp()
{
    UploadTest::SetUp();
    // The filter reads these once per process: every test sets them alike.
    settings_.SetString(SettingsSource::User, L"BoxSync.EmailMetaDataTemplateName", L"mailProps");
    settings_.SetString(SettingsSource::User, L"BoxSync.FingerprintMetaDataTemplateName", L"fingerprints");
    settings_.SetDword(SettingsSource::User, L"BoxSync.PerformOnlineDuplicateSearch", 1);
    ASSERT_EQ(S_OK, filter_->put_pShutdownInformer(informer_.get()));
    const ItemMap root = TestPropertyMap::Create();
    root->SetText(L"Quentra.FolderLocation", L"0");
    ASSERT_EQ(S_OK, filter_->raw_SetSyncStartPoint(root.get(), VARIANT_TRUE, VARIANT_FALSE, VARIANT_FALSE, 0,
                                                   VARIANT_FALSE));
    journalStart_ = standIn_.JournalNext();
}

HRESULT SyncUpTest::Add(const BoxUploads::LocalFile& file, const std::wstring& name, const ItemMap& item) const
{
    return filter_->raw_AddNewDocument(_bstr_t(file.Path().c_str()), _bstr_t(name.c_str()), 0, item.get());
}

HRESULT SyncUpTest::Update(const BoxUploads::LocalFile& file, const std::wstring& name, const ItemMap& item) const
{
    return filter_->raw_UpdateDocument(_bstr_t(file.Path().c_str()), _bstr_t(name.c_str()), 0, item.get());
}

ItemMap SyncUpTest::SyncedItem(const std::string& fileId) const
{
    const Json::Value file = standIn_.Item("file", fileId);
    ItemMap item = TestPropertyMap::Create();
    item->SetText(L"Quentra.FromServerFileId", AnsiToWide(fileId));
    item->SetText(L"Quentra.FromServerFileName", AnsiToWide(file["name"].asString()));
    item->SetText(L"Quentra.FromServerETag", AnsiToWide(file["etag"].asString()));
    item->SetDate(L"RemoteFileLastModified", 45000.5);
    return item;
}

std::string SyncUpTest::SeedFile(const std::string& name, const std::string& text) const
{
    Json::Value file;
    file["name"] = name;
    file["parent_id"] = "0";
    file["content_text"] = text;
    Json::Value seed;
    seed["files"].append(file);
    return standIn_.Post("seed", seed)["files"][0].asString();
}

} // namespace SyncUp
