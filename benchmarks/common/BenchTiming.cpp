#include "BenchTiming.h"

#include <algorithm>
#include <chrono>

namespace Bench {

double SecondsOf(const std::function<void()>& run)
{
    const auto started = std::chrono::steady_clock::now();
    run();
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - started;
    return elapsed.count();
}

double BestSecondsOf(int repeats, const std::function<void()>& run)
{
    double best = SecondsOf(run);
    for (int i = 1; i < repeats; ++i)
        best = std::min(best, SecondsOf(run));
    return best;
}

} // namespace Bench
