// Adds one local file COUNT times as new documents (doc-0.bin, doc-1.bin, ...) to the stand-in's
// root folder through the filter's raw_AddNewDocument; prints "run <seconds> <count> <first id>",
// then the process's private memory: before the uploads, at the end, and its peak.
//   bench_sync_up BASE_URL LOCAL_PATH COUNT ACCESS_TOKEN REFRESH_TOKEN
#include "BenchMain.h"
#include "BenchMemory.h"
#include "BenchTiming.h"
#include "BoxBenchSession.h"
#include "ComDef.h"
#include "TestPropertyMap.h"
#include "VESKBoxSyncFilterImpl.h"

#include <cstdio>
#include <cwchar>
#include <stdexcept>
#include <string>

namespace {

// The filter with the IUnknown and IDispatch that the COM class adds; lives on the stack.
class BenchFilter final : public VESKBoxSyncFilterImpl {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** out) override { return *out = nullptr, E_NOINTERFACE; }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override
    {
        return E_NOTIMPL;
    }
};

// The e-mail template every upload record names, set for the run only.
class EmailTemplateSetting {
public:
    EmailTemplateSetting()
    {
        const std::wstring name = L"mailProps";
        ::RegCreateKeyExW(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_WRITE, nullptr, &m_key, nullptr);
        ::RegSetValueExW(m_key, kName, 0, REG_SZ, reinterpret_cast<const BYTE*>(name.c_str()),
                         static_cast<DWORD>((name.size() + 1) * sizeof(wchar_t)));
    }
    ~EmailTemplateSetting()
    {
        ::RegDeleteValueW(m_key, kName);
        ::RegCloseKey(m_key);
    }
    EmailTemplateSetting(const EmailTemplateSetting&) = delete;
    EmailTemplateSetting& operator=(const EmailTemplateSetting&) = delete;

private:
    static constexpr wchar_t kKey[] = L"Software\\Talvern\\VESK";
    static constexpr wchar_t kName[] = L"BoxSync.EmailMetaDataTemplateName";
    HKEY m_key = nullptr;
};

int Run(wchar_t** argv)
{
    const Bench::BoxBenchSession session(argv[1], argv[4], argv[5]);
    const EmailTemplateSetting emailTemplate;
    const _bstr_t localPath(argv[2]);
    const unsigned long count = std::wcstoul(argv[3], nullptr, 10);
    BenchFilter filter;
    const auto root = TestHost::TestPropertyMap::Create();
    root->SetText(L"Quentra.FolderLocation", L"0");
    if (FAILED(filter.raw_SetSyncStartPoint(root.get(), VARIANT_TRUE, VARIANT_FALSE, VARIANT_FALSE, 0, VARIANT_FALSE)))
        throw std::runtime_error("the start point was refused");

    const SIZE_T baseline = Bench::PrivateBytes();
    Bench::PeakSampler sampler;
    std::wstring firstId;
    const double seconds = Bench::SecondsOf([&] {
        for (unsigned long i = 0; i < count; ++i) {
            const auto item = TestHost::TestPropertyMap::Create();
            const std::wstring name = L"doc-" + std::to_wstring(i) + L".bin";
            if (FAILED(filter.raw_AddNewDocument(localPath, _bstr_t(name.c_str()), 0, item.get())))
                throw std::runtime_error("a document was not added");
            if (i == 0)
                firstId = item->Text(L"Quentra.FromServerFileId").value_or(L"");
        }
    });
    const SIZE_T sampledPeak = sampler.Stop();
    std::printf("run %.3f %lu %ls\n", seconds, count, firstId.c_str());
    Bench::PrintPrivateMemory(baseline, sampledPeak);
    return 0;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    return Bench::RunBenchmark(argc == 6, L"bench_sync_up BASE_URL LOCAL_PATH COUNT ACCESS REFRESH",
                               [&] { return Run(argv); });
}
