#include "BenchMemory.h"

#include <psapi.h>

#include <algorithm>
#include <chrono>
#include <cstdio>

namespace Bench {

namespace {

PROCESS_MEMORY_COUNTERS_EX MemoryCounters(HANDLE process = ::GetCurrentProcess())
{
    PROCESS_MEMORY_COUNTERS_EX counters{};
    counters.cb = sizeof(counters);
    ::GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof(counters));
    return counters;
}

// Wine leaves PrivateUsage 0; the commit charge it does report is the same figure on Windows.
SIZE_T PrivateBytes(const PROCESS_MEMORY_COUNTERS_EX& counters)
{
    return counters.PrivateUsage != 0 ? counters.PrivateUsage : counters.PagefileUsage;
}

} // namespace

SIZE_T PrivateBytes()
{
    return PrivateBytes(MemoryCounters());
}

SIZE_T PrivateBytesOf(HANDLE process)
{
    return PrivateBytes(MemoryCounters(process));
}

void PrintPrivateMemory(SIZE_T baseline, SIZE_T sampledPeak)
{
    const PROCESS_MEMORY_COUNTERS_EX now = MemoryCounters();
    const SIZE_T current = PrivateBytes(now);
    std::printf("memory %lu %lu %lu\n", static_cast<unsigned long>(baseline), static_cast<unsigned long>(current),
                static_cast<unsigned long>(std::max<SIZE_T>({sampledPeak, current, now.PeakPagefileUsage})));
}

PeakSampler::PeakSampler()
    : m_thread([this] {
          while (!m_stop) {
              m_peak = std::max<SIZE_T>(m_peak, PrivateBytes());
              std::this_thread::sleep_for(std::chrono::milliseconds(5));
          }
      })
{
}

PeakSampler::~PeakSampler()
{
    Stop();
}

SIZE_T PeakSampler::Stop()
{
    if (m_thread.joinable()) {
        m_stop = true;
        m_thread.join();
    }
    return m_peak;
}

} // namespace Bench
