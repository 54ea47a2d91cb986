// Uploads a local file to the Box stand-in with Box_20::UploadFile (a session upload from
// 52,428,800 bytes on); prints the seconds it took and the new file's id, then the process's
// private memory: before the upload, at the end, and its peak (sampled every 5 ms, since Wine's
// own peak figure misses short-lived buffers).
//   bench_upload BASE_URL LOCAL_PATH SIZE NAME ACCESS_TOKEN REFRESH_TOKEN
// The stand-in's address goes into the user setting "Mock.BoxService" for the run and is
// removed afterwards, with the tokens the run stored.
#include "BoxConstants.h"
#include "BoxExceptions.h"
#include "BoxTokenCache.h"
#include "BoxUploads.h"
#include "HResultException.h"
#include "LSHttpError.h"
#include "UniqueResource.h"

#include <windows.h>
#include <objbase.h>
#include <psapi.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cwchar>
#include <stdexcept>
#include <string>
#include <thread>

namespace {

constexpr wchar_t kUserSettingsKey[] = L"Software\\Talvern\\VESK";

// The run's own settings, removed on every way out.
class BenchSettings {
public:
    explicit BenchSettings(const std::wstring& baseUrl)
    {
        if (::RegCreateKeyExW(HKEY_CURRENT_USER, kUserSettingsKey, 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr,
                              m_key.put(), nullptr) != ERROR_SUCCESS)
            throw std::runtime_error("cannot open the user's settings key");
        ::RegSetValueExW(m_key.get(), Box_20::kMockBoxServiceSetting, 0, REG_SZ,
                         reinterpret_cast<const BYTE*>(baseUrl.c_str()),
                         static_cast<DWORD>((baseUrl.size() + 1) * sizeof(wchar_t)));
    }
    ~BenchSettings()
    {
        for (const wchar_t* name :
             {Box_20::kMockBoxServiceSetting, Box_20::kAccessTokenSetting, Box_20::kRefreshTokenSetting})
            ::RegDeleteValueW(m_key.get(), name);
    }
    BenchSettings(const BenchSettings&) = delete;
    BenchSettings& operator=(const BenchSettings&) = delete;

private:
    TalvernCommon::unique_hkey m_key;
};

class ComApartment {
public:
    ComApartment()
    {
        if (FAILED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)))
            throw std::runtime_error("COM does not start");
    }
    ~ComApartment() { ::CoUninitialize(); }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;
};

PROCESS_MEMORY_COUNTERS_EX MemoryCounters()
{
    PROCESS_MEMORY_COUNTERS_EX counters{};
    counters.cb = sizeof(counters);
    ::GetProcessMemoryInfo(::GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                           sizeof(counters));
    return counters;
}

// Wine leaves PrivateUsage 0; the commit charge it does report is the same figure on Windows.
SIZE_T PrivateBytes(const PROCESS_MEMORY_COUNTERS_EX& counters)
{
    return counters.PrivateUsage != 0 ? counters.PrivateUsage : counters.PagefileUsage;
}

// The highest private memory seen while it lives.
class PeakSampler {
public:
    PeakSampler()
        : m_thread([this] {
              while (!m_stop) {
                  m_peak = std::max<SIZE_T>(m_peak, PrivateBytes(MemoryCounters()));
                  std::this_thread::sleep_for(std::chrono::milliseconds(5));
              }
          })
    {
    }
    ~PeakSampler() { Stop(); }
    PeakSampler(const PeakSampler&) = delete;
    PeakSampler& operator=(const PeakSampler&) = delete;

    SIZE_T Stop()
    {
        if (m_thread.joinable()) {
            m_stop = true;
            m_thread.join();
        }
        return m_peak;
    }

private:
    std::atomic<bool> m_stop{false};
    std::atomic<SIZE_T> m_peak{0};
    std::thread m_thread;
};

int Run(wchar_t** argv)
{
    const ComApartment apartment;
    const BenchSettings settings(argv[1]);
    Box_20::SetCachedTokens({argv[5], argv[6]});
    Box_20::UploadFileRecord record;
    record.LocalPath = argv[2];
    record.Size = std::wcstoull(argv[3], nullptr, 10);
    record.Name = argv[4];
    record.ParentFolderId = L"0";

    const SIZE_T baseline = PrivateBytes(MemoryCounters());
    PeakSampler sampler;
    const auto started = std::chrono::steady_clock::now();
    const CStdStr<wchar_t> id = Box_20::UploadFile(nullptr, record);
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - started;
    const SIZE_T peak = sampler.Stop();
    const PROCESS_MEMORY_COUNTERS_EX end = MemoryCounters();
    std::printf("run %.3f %ls\n", elapsed.count(), id.c_str());
    std::printf("memory %lu %lu %lu\n", static_cast<unsigned long>(baseline),
                static_cast<unsigned long>(PrivateBytes(end)),
                static_cast<unsigned long>(std::max<SIZE_T>({peak, PrivateBytes(end), end.PeakPagefileUsage})));
    return 0;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc != 7) {
        std::fwprintf(stderr, L"usage: bench_upload BASE_URL LOCAL_PATH SIZE NAME ACCESS REFRESH\n");
        return 2;
    }
    try {
        return Run(argv);
    } catch (const Box_20::ApiException& error) {
        std::fprintf(stderr, "%s\n", error.what());
    } catch (const LSHttpError& error) {
        std::fwprintf(stderr, L"%ls\n", error.FormatMessage().c_str());
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n", error.what());
    } catch (HRESULT hr) {
        std::fprintf(stderr, "HRESULT 0x%08lx\n", static_cast<unsigned long>(hr));
    }
    return 1;
}
