// The Box filter as the host drives it against the stand-in: the metadata templates set, the
// shutdown informer handed over, and the root folder listed at a start point.
#pragma once

#include "BoxRoadFixture.h"
#include "FilterTestObjects.h"
#include "ScratchFolder.h"
#include "TestPropertyMap.h"

#include "ComDef.h"
#include "ComOwners.h"
#include "LSHash.h"

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace RetrievalTests {

using TestSupport::ParseJson;

inline std::string Sha1Hex(const std::wstring& path)
{
    std::string hex;
    for (const BYTE byte : CLSHash::GetSha1ForFile(path)) {
        char digits[3];
        std::snprintf(digits, sizeof(digits), "%02x", byte);
        hex += digits;
    }
    return hex;
}

// What the folder holds, temporary files included.
inline std::vector<std::wstring> FilesIn(const ScratchFolder& folder)
{
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found{};
    const HANDLE search = ::FindFirstFileW((folder.Path() + L"\\*").c_str(), &found);
    for (BOOL more = search != INVALID_HANDLE_VALUE; more; more = ::FindNextFileW(search, &found)) {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            names.push_back(found.cFileName);
    }
    if (search != INVALID_HANDLE_VALUE)
        ::FindClose(search);
    return names;
}

class RetrievalTest : public BoxRoad::BoxRoadTest {
protected:
    void SetUp() override
    {
        BoxRoadTest::SetUp();
        // Content from the API address itself: the journal then holds only Box operations.
        standIn_.SetSwitches(ParseJson(R"({"download_mode":"direct"})"));
        settings_.SetString(SettingsSource::User, L"BoxSync.EmailMetaDataTemplateName", L"vEmail");
        settings_.SetString(SettingsSource::User, L"BoxSync.FingerprintMetaDataTemplateName", L"vPrint");
        filter = std::make_unique<FilterTests::BoxFilter>();
        filter->put_pShutdownInformer(informer_.get());
    }

    // Seeds the files (a JSON array of stand-in file seeds) into the root folder and lists it as
    // a start point; their ids in the order given.
    std::vector<std::string> ListRoot(const std::string& filesJson, const std::string& folderJson = "{}")
    {
        Json::Value seed;
        seed["files"] = ParseJson(filesJson);
        const Json::Value ids = standIn_.Post("seed", seed)["files"];
        const Json::Value root = ParseJson(folderJson);
        if (!root.empty())
            standIn_.Post("item", root);
        mainFolder->SetText(L"Quentra.FolderLocation", L"0");
        mainFolder->SetNumber(L"Quentra.MainFolder", 1);
        EXPECT_EQ(S_OK, filter->raw_SetSyncStartPoint(mainFolder.get(), VARIANT_FALSE, VARIANT_FALSE, VARIANT_FALSE,
                                                      0, VARIANT_FALSE));
        std::vector<std::string> result;
        for (const Json::Value& id : ids)
            result.push_back(id.asString());
        return result;
    }

    HRESULT Retrieve(unsigned short index, const std::wstring& path, VARIANT_BOOL skip = VARIANT_FALSE)
    {
        return filter->raw_RetrieveItemToPath(index, _bstr_t(path.c_str()), nullptr, item.get(), skip, nullptr);
    }

    // The listed index of a file name, as the host learns it from the names it is given.
    unsigned short IndexOf(const std::wstring& name)
    {
        for (unsigned short i = 0;; ++i) {
            TalvernCommon::unique_bstr listed;
            if (FAILED(filter->raw_RetrieveItemToPath(i, _bstr_t(L"unused"), listed.put(), nullptr, VARIANT_TRUE,
                                                      nullptr)))
                throw std::runtime_error("not listed");
            if (name == listed.get())
                return i;
        }
    }

    ScratchFolder folder{L"box-retrieval"};
    std::unique_ptr<FilterTests::BoxFilter> filter;
    TalvernCommon::com_ptr<TestHost::TestPropertyMap> mainFolder = TestHost::TestPropertyMap::Create();
    TalvernCommon::com_ptr<TestHost::TestPropertyMap> item = TestHost::TestPropertyMap::Create();
};

} // namespace RetrievalTests
