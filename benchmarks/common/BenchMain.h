// The one way a benchmark program starts and ends: a usage line and exit code 2 for a wrong
// command line, a message on stderr and exit code 1 for a failure, so that its driver stops with
// the reason instead of parsing a half-written report.
#pragma once

#include <functional>

namespace Bench {

// body's exit code when argumentsFit, after reporting what it threw 1, otherwise 2 after printing
// "usage: " and usage.
int RunBenchmark(bool argumentsFit, const wchar_t* usage, const std::function<int()>& body);

} // namespace Bench
