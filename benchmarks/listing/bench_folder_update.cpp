// A folder update through the filter object as the host runs it: the start point, the folder
// update, then every sub-folder's properties and every server item's basic properties and
// change state, on a new filter each run. Prints, per run, "run <seconds> <files> <sub-folders>
// <walk seconds>", the walk being the calls after the update (the pages had all arrived); then
// the process's private memory: before the first run, at the end, and its peak.
//   bench_folder_update BASE_URL FOLDER_ID REPEATS ACCESS_TOKEN REFRESH_TOKEN
#include "BenchMain.h"
#include "BenchMemory.h"
#include "BenchTiming.h"
#include "BoxBenchSession.h"
#include "CVESKBoxSyncFilter.h"
#include "CVESKBoxSyncModule.h"
#include "ComPtr.h"
#include "LSComObject.h"
#include "TestPropertyMap.h"

#include <cstdio>
#include <cwchar>
#include <stdexcept>
#include <string>

namespace {

void Check(HRESULT hr, const char* what)
{
    if (FAILED(hr))
        throw std::runtime_error(std::string(what) + " failed");
}

struct UpdateCounts {
    unsigned short files = 0;
    unsigned short folders = 0;
};

UpdateCounts UpdateFolder(ILSSyncFilter2& filter, ILSPropertyMap* folderMap)
{
    Check(filter.raw_SetSyncStartPoint(folderMap, VARIANT_FALSE, VARIANT_FALSE, VARIANT_FALSE, 0, VARIANT_FALSE),
          "the start point");
    Check(filter.raw_PreContentSyncFolderUpdate(folderMap, VARIANT_FALSE, VARIANT_FALSE), "the folder update");
    UpdateCounts counts;
    Check(filter.GetServerItemNameCount(&counts.files), "the item count");
    Check(filter.GetSubFolderCount(&counts.folders), "the sub-folder count");
    return counts;
}

void WalkItems(ILSSyncFilter2& filter, const UpdateCounts& counts)
{
    for (unsigned short i = 0; i < counts.folders; ++i)
        Check(filter.raw_SetSubFolderProperties(i, TestHost::TestPropertyMap::Create().get()), "a sub-folder");
    for (unsigned short i = 0; i < counts.files; ++i) {
        const auto item = TestHost::TestPropertyMap::Create();
        Check(filter.raw_GetItemBasicProps(i, item.get()), "an item's basic properties");
        long changes = 0;
        Check(filter.raw_HasChanges(i, item.get(), &changes), "an item's change state");
    }
}

int Run(wchar_t** argv)
{
    const Bench::BoxBenchSession session(argv[1], argv[4], argv[5]);
    const Bench::EmailTemplateSetting emailTemplate;
    const int repeats = static_cast<int>(std::wcstol(argv[3], nullptr, 10));
    CVESKBoxSyncModule module;

    const SIZE_T baseline = Bench::PrivateBytes();
    Bench::PeakSampler sampler;
    for (int run = 0; run < repeats; ++run) {
        TalvernCommon::com_ptr<ILSSyncFilter2> filter;
        Check(LSCreateComInstance<CVESKBoxSyncFilter>(module, nullptr, __uuidof(ILSSyncFilter2), filter.put_void()),
              "creating the filter");
        const auto folderMap = TestHost::TestPropertyMap::Create();
        folderMap->SetText(L"Quentra.FromServerShortItemId", argv[2]);
        folderMap->SetNumber(L"Quentra.MainFolder", 1);
        UpdateCounts counts;
        double walk = 0;
        const double seconds = Bench::SecondsOf([&] {
            counts = UpdateFolder(*filter.get(), folderMap.get());
            walk = Bench::SecondsOf([&] { WalkItems(*filter.get(), counts); });
        });
        std::printf("run %.3f %u %u %.3f\n", seconds, counts.files, counts.folders, walk);
    }
    Bench::PrintPrivateMemory(baseline, sampler.Stop());
    return 0;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    return Bench::RunBenchmark(argc == 6, L"bench_folder_update BASE_URL FOLDER_ID REPEATS ACCESS REFRESH",
                               [&] { return Run(argv); });
}
