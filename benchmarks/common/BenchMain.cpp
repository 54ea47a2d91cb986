#include "BenchMain.h"

#include "LSHttpError.h"

#include <windows.h>

#include <cstdio>
#include <exception>

namespace Bench {

int RunBenchmark(bool argumentsFit, const wchar_t* usage, const std::function<int()>& body)
{
    if (!argumentsFit) {
        std::fwprintf(stderr, L"usage: %ls\n", usage);
        return 2;
    }
    try {
        return body();
    } catch (const LSHttpError& error) {
        std::fwprintf(stderr, L"%ls\n", error.FormatMessage().c_str());
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n", error.what());
    } catch (HRESULT hr) {
        std::fprintf(stderr, "HRESULT 0x%08lx\n", static_cast<unsigned long>(hr));
    }
    return 1;
}

} // namespace Bench
