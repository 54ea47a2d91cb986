// The fixture of the sync-up tests: the upload fixture (stand-in, tokens, local files, API
// checks) with a Box filter started at the root folder and host-side property maps.
#pragma once

#include "ComDef.h"
#include "FilterTestObjects.h"
#include "UploadFixture.h"

#include <memory>
#include <string>

namespace SyncUp {

using TestHost::TestPropertyMap;
using ItemMap = TalvernCommon::com_ptr<TestPropertyMap>;

std::wstring Text(const ItemMap& map, const _bstr_t& name);

class SyncUpTest : public BoxUploads::UploadTest {
protected:
    void SetUp() override;

    HRESULT Add(const BoxUploads::LocalFile& file, const std::wstring& name, const ItemMap& item) const;
    HRESULT Update(const BoxUploads::LocalFile& file, const std::wstring& name, const ItemMap& item) const;
    // An item map of the Box file as the last sync left it.
    ItemMap SyncedItem(const std::string& fileId) const;
    // A file of the root folder with the given text; its id.
    std::string SeedFile(const std::string& name, const std::string& text = "content") const;
    int RequestCount() const { return standIn_.JournalNext() - journalStart_; }

    std::unique_ptr<FilterTests::BoxFilter> filter_ = std::make_unique<FilterTests::BoxFilter>();
    int journalStart_ = 0;
};

} // namespace SyncUp
