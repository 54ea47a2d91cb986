// Test programs run on a single-threaded apartment, as the host calls the filter.
#include <gtest/gtest.h>
#include <objbase.h>

#include <cstdio>

namespace {

// A crash on any thread, also at a thread's end after its test passed, fails the program: Wine's
// debugger would end it with exit code 0.
LONG WINAPI EndOnCrash(EXCEPTION_POINTERS* crash)
{
    std::fprintf(stderr, "unhandled exception 0x%08lx at %p\n", crash->ExceptionRecord->ExceptionCode,
                 crash->ExceptionRecord->ExceptionAddress);
    std::fflush(stderr);
    ::TerminateProcess(::GetCurrentProcess(), 3);
    return EXCEPTION_EXECUTE_HANDLER;
}

} // namespace

int main(int argc, char** argv)
{
    ::SetUnhandledExceptionFilter(EndOnCrash);
    ::testing::InitGoogleTest(&argc, argv);
    if (FAILED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)))
        return 2;
    const int result = RUN_ALL_TESTS();
    ::CoUninitialize();
    return result;
}
