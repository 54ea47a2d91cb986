// The process's private memory, as the listing and upload benchmarks report it.
#pragma once

#include <windows.h>

#include <atomic>
#include <thread>

namespace Bench {

SIZE_T PrivateBytes();

// Another process's, through a handle with query rights.
SIZE_T PrivateBytesOf(HANDLE process);

// Prints "memory <baseline> <now> <peak>", the peak being the highest of the system's own peak
// figure, the current value and sampledPeak.
void PrintPrivateMemory(SIZE_T baseline, SIZE_T sampledPeak = 0);

// The highest private memory seen while it lives, sampled every 5 ms: Wine's own peak figure
// misses short-lived buffers.
class PeakSampler {
public:
    PeakSampler();
    ~PeakSampler();
    PeakSampler(const PeakSampler&) = delete;
    PeakSampler& operator=(const PeakSampler&) = delete;

    SIZE_T Stop();

private:
    std::atomic<bool> m_stop{false};
    std::atomic<SIZE_T> m_peak{0};
    std::thread m_thread;
};

} // namespace Bench
