// Wall-clock timing for the benchmark programs, whose drivers set it against a reference tool.
#pragma once

#include <functional>

namespace Bench {

// The seconds the call took.
double SecondsOf(const std::function<void()>& run);

// The fastest of `repeats` calls; the call runs at least once.
double BestSecondsOf(int repeats, const std::function<void()>& run);

} // namespace Bench
