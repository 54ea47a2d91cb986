// Retrieval for a repository without entity tags of its own (the Box class never gets here): the
// downloaded file's hash stands in for the tag, and header-only items get their temporary paths.
#include "FilterTestObjects.h"
#include "ScratchFolder.h"
#include "TestPropertyMap.h"

#include "ComDef.h"
#include "ComOwners.h"

#include <gtest/gtest.h>

#include <fstream>

namespace {

constexpr wchar_t kHelloHash[] = L"{2A40415D-4BBC-762A-B971-9D911017C592}";
constexpr wchar_t kEmptyHash[] = L"{D98C1DD4-008F-04B2-E980-0998ECF8427E}";
constexpr DATE kUnknownDate = 3660000.0;

// Its downloads write "hello" or answer the scripted result.
class HashingRepository : public FilterTests::PlainRepository {
public:
    HRESULT downloadResult = S_OK;
    int downloads = 0;

    void List(const wchar_t* name, DATE modified)
    {
        m_lastModifiedCache[static_cast<uint32_t>(m_itemNames.size())] = modified;
        m_itemNames.push_back(name);
    }
    size_t CachedDates() const { return m_lastModifiedCache.size(); }
    CStdStr<wchar_t> GetRemoteItemId(unsigned index) const override { return L"id-" + m_itemNames.at(index); }
    HRESULT GetStoredRemoteFileName(CStdStr<wchar_t>&, ILSPropertyMap*, CStdStr<wchar_t>& remoteName) override
    {
        remoteName = L"id-stored";
        return S_OK;
    }
    HRESULT CopyFileToLocal(const CStdStr<wchar_t>&, const CStdStr<wchar_t>& path, ILSPropertyMap*,
                            const CStdStr<wchar_t>&) override
    {
        ++downloads;
        if (downloadResult == S_OK)
            std::ofstream(path.c_str(), std::ios::binary) << "hello";
        return downloadResult;
    }
    void SetLocations(const wchar_t* repository, const wchar_t* folder)
    {
        m_repositoryLocation = repository;
        m_folderLocation = folder;
    }
};
using Filter = FilterTests::WithUnknown<HashingRepository>;

struct RetrieveCase {
    const char* name;
    unsigned short index;
    bool emptyPath;
    VARIANT_BOOL skipDownload;
    HRESULT downloadResult;
    HRESULT expected;
    int downloads;
    const wchar_t* etag; // nullptr: none written
};

const RetrieveCase kRetrieveCases[] = {
    {"Downloaded", 0, false, VARIANT_FALSE, S_OK, S_OK, 1, kHelloHash},
    {"SkippedHashesWhatIsThere", 0, false, VARIANT_TRUE, S_OK, S_OK, 0, kEmptyHash},
    {"EmptyPath", 0, true, VARIANT_FALSE, S_OK, S_OK, 0, nullptr},
    {"SuppressedFailure", 0, false, VARIANT_FALSE, S_FALSE, S_FALSE, 1, nullptr},
    {"Failure", 0, false, VARIANT_FALSE, E_ACCESSDENIED, E_ACCESSDENIED, 1, nullptr},
    {"UnknownRemoteTime", 1, false, VARIANT_FALSE, S_OK, E_FAIL, 0, nullptr},
    {"IndexBeyondListing", 2, false, VARIANT_FALSE, S_OK, E_INVALIDARG, 0, nullptr},
};

class BaseRetrieval : public ::testing::TestWithParam<RetrieveCase> {};

TEST_P(BaseRetrieval, HashOfTheDownloadBecomesTheETag)
{
    const RetrieveCase& c = GetParam();
    ScratchFolder folder(L"base-retrieval");
    Filter filter;
    filter.List(L"a.docx", 45000.0);
    filter.List(L"b.docx", kUnknownDate);
    filter.downloadResult = c.downloadResult;
    const auto item = TestHost::TestPropertyMap::Create();
    const TalvernCommon::unique_bstr path(SysAllocString(c.emptyPath ? L"" : folder.File(L"a.docx").c_str()));
    TalvernCommon::unique_bstr fileName;

    EXPECT_EQ(c.expected, filter.raw_RetrieveItemToPath(c.index, path.get(), fileName.put(), item.get(),
                                                        c.skipDownload, nullptr));
    EXPECT_EQ(c.downloads, filter.downloads);
    EXPECT_EQ(c.etag ? std::optional<std::wstring>(c.etag) : std::nullopt, item->Text(L"Quentra.FromServerETag"));
    EXPECT_EQ(c.index == 0 && !c.emptyPath, fileName.get() != nullptr);
    EXPECT_EQ(2u, filter.CachedDates());
}

INSTANTIATE_TEST_SUITE_P(Cases, BaseRetrieval, ::testing::ValuesIn(kRetrieveCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(BaseHeaderOnly, RetrievalHashesAndAFileThatCannotBeHashedFails)
{
    ScratchFolder folder(L"base-header-only");
    Filter filter;
    const auto item = TestHost::TestPropertyMap::Create();
    item->SetText(L"Quentra.FromServerFileName", L"a.docx");
    const std::wstring path = folder.File(L"a.docx");
    TalvernCommon::unique_bstr fileName;

    ASSERT_EQ(S_OK, filter.raw_RetrieveIndividualItemToPath(item.get(), _bstr_t(path.c_str()), fileName.put(),
                                                            VARIANT_FALSE, nullptr));
    EXPECT_STREQ(L"a.docx", fileName.get());
    EXPECT_EQ(kHelloHash, item->Text(L"Quentra.FromServerETag"));

    item->Remove(L"Quentra.FromServerETag");
    const std::wstring missing = folder.Path() + L"\\missing.docx";
    EXPECT_EQ(E_FAIL, filter.raw_RetrieveIndividualItemToPath(item.get(), _bstr_t(missing.c_str()), nullptr,
                                                              VARIANT_TRUE, nullptr));
    EXPECT_FALSE(item->Has(L"Quentra.FromServerETag"));
    EXPECT_EQ(E_INVALIDARG, filter.raw_RetrieveIndividualItemToPath(nullptr, nullptr, nullptr, VARIANT_TRUE, nullptr));
    EXPECT_EQ(S_FALSE, filter.raw_RetrieveIndividualItemToPathProperties(item.get()));
}

TEST(BaseHeaderOnly, TempPathBlanksEveryCharacterAWindowsPathCannotHold)
{
    Filter filter;
    filter.SetLocations(L"https://box.example:1/a|b", L"12<3>4");
    EXPECT_EQ(L"https   box.example 1 a b_12 3 4\\q        .msg_7",
              filter.MakeIndividualItemTempPath(L"q?\"*\x01\x1f\\/:.msg", 7));
}

} // namespace
