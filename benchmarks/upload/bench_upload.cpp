// Uploads a local file to the Box stand-in with Box_20::UploadFile (a session upload from
// 52,428,800 bytes on); prints "run <seconds> <new file's id>", then the process's private
// memory: before the upload, at the end, and its peak.
//   bench_upload BASE_URL LOCAL_PATH SIZE NAME ACCESS_TOKEN REFRESH_TOKEN
#include "BenchMain.h"
#include "BenchMemory.h"
#include "BenchTiming.h"
#include "BoxBenchSession.h"
#include "BoxUploads.h"

#include <cstdio>
#include <cwchar>

namespace {

int Run(wchar_t** argv)
{
    const Bench::BoxBenchSession session(argv[1], argv[5], argv[6]);
    Box_20::UploadFileRecord record;
    record.LocalPath = argv[2];
    record.Size = std::wcstoull(argv[3], nullptr, 10);
    record.Name = argv[4];
    record.ParentFolderId = L"0";

    const SIZE_T baseline = Bench::PrivateBytes();
    Bench::PeakSampler sampler;
    CStdStr<wchar_t> id;
    const double seconds = Bench::SecondsOf([&] { id = Box_20::UploadFile(nullptr, record); });
    const SIZE_T sampledPeak = sampler.Stop();
    std::printf("run %.3f %ls\n", seconds, id.c_str());
    Bench::PrintPrivateMemory(baseline, sampledPeak);
    return 0;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    return Bench::RunBenchmark(argc == 7, L"bench_upload BASE_URL LOCAL_PATH SIZE NAME ACCESS REFRESH",
                               [&] { return Run(argv); });
}
