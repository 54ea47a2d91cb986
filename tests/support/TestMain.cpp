// Test programs run on a single-threaded apartment, as the host calls the filter.
#include <gtest/gtest.h>
#include <objbase.h>

#include <cstdio>

// A crash on any thread, also at a thread's end after its test passed, fails the program: Wine's
// debugger would end it with exit code 0.
static LONG WINAPI EndOnCrash(EXCEPTION_POINTERS* crash)
{
    std::fprintf(stderr, "unhandled exception 0x%08lx\n", crash->ExceptionRecord->ExceptionCode);
    ::TerminateProcess(::GetCurrentProcess(), 3);
    return EXCEPTION_EXECUTE_HANDLER;
}

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
