// Lists a stand-in folder through the filter object and retrieves every listed file to a folder
// with raw_RetrieveItemToPath into new files, a number of times. Prints, per run, "run <seconds> <files>
// <bytes written>", then the process's private memory: before the first run, at the end, peak.
//   bench_retrieval BASE_URL FOLDER_ID TARGET_FOLDER REPEATS ACCESS_TOKEN REFRESH_TOKEN
#include "BenchMain.h"
#include "BenchMemory.h"
#include "BenchTiming.h"
#include "BoxBenchSession.h"
#include "CVESKBoxSyncFilter.h"
#include "CVESKBoxSyncModule.h"
#include "ComDef.h"
#include "ComOwners.h"
#include "LSComObject.h"
#include "TestPropertyMap.h"
#include "UniqueResource.h"

#include <cstdio>
#include <cwchar>
#include <stdexcept>
#include <string>

namespace {

uint64_t FileSize(const std::wstring& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    if (!::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data))
        return 0;
    return (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

void Check(HRESULT hr, const char* what)
{
    if (FAILED(hr))
        throw std::runtime_error(std::string(what) + " failed");
}

int Run(wchar_t** argv)
{
    const Bench::BoxBenchSession session(argv[1], argv[5], argv[6]);
    const Bench::EmailTemplateSetting emailTemplate;
    const std::wstring targetFolder = argv[3];
    const int repeats = static_cast<int>(std::wcstol(argv[4], nullptr, 10));

    CVESKBoxSyncModule module;
    TalvernCommon::com_ptr<ILSSyncFilter2> filter;
    Check(LSCreateComInstance<CVESKBoxSyncFilter>(module, nullptr, __uuidof(ILSSyncFilter2), filter.put_void()),
          "creating the filter");
    const auto folderMap = TestHost::TestPropertyMap::Create();
    folderMap->SetText(L"Quentra.FolderLocation", argv[2]);
    folderMap->SetNumber(L"Quentra.MainFolder", 1);
    Check(filter->raw_SetSyncStartPoint(folderMap.get(), VARIANT_FALSE, VARIANT_FALSE, VARIANT_FALSE, 0,
                                        VARIANT_FALSE),
          "the start point");
    unsigned short count = 0;
    Check(filter->GetServerItemNameCount(&count), "the item count");

    const SIZE_T baseline = Bench::PrivateBytes();
    Bench::PeakSampler sampler;
    for (int run = 0; run < repeats; ++run) {
        uint64_t bytes = 0;
        const double seconds = Bench::SecondsOf([&] {
            for (unsigned short i = 0; i < count; ++i) {
                const std::wstring path = targetFolder + L"\\" + std::to_wstring(i) + L".bin";
                Check(filter->raw_RetrieveItemToPath(i, _bstr_t(path.c_str()), nullptr, nullptr, VARIANT_FALSE,
                                                     nullptr),
                      "a retrieval");
            }
        });
        for (unsigned short i = 0; i < count; ++i) {
            const std::wstring path = targetFolder + L"\\" + std::to_wstring(i) + L".bin";
            bytes += FileSize(path);
            // Every run retrieves into new files, as the host does; the last run's stay for the driver.
            if (run + 1 < repeats)
                ::DeleteFileW(path.c_str());
        }
        std::printf("run %.3f %u %llu\n", seconds, count, static_cast<unsigned long long>(bytes));
    }
    Bench::PrintPrivateMemory(baseline, sampler.Stop());
    return 0;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    return Bench::RunBenchmark(argc == 7, L"bench_retrieval BASE_URL FOLDER_ID TARGET_FOLDER REPEATS ACCESS REFRESH",
                               [&] { return Run(argv); });
}
