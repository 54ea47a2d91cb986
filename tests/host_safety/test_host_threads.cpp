// Host threads that use the filter through COM and end, some after COM has unloaded the DLL, and
// processes that end after them: none may crash, corrupt the heap or hang at its exit.
#include "BinFolder.h"
#include "BoxStandIn.h"
#include "ComDef.h"
#include "ComOwners.h"
#include "FilterHost.h"
#include "JsonText.h"

#include <gtest/gtest.h>
#include <objbase.h>

#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

using TalvernCommon::com_ptr;
using TalvernCommon::unique_bstr;

constexpr wchar_t kServerDll[] = L"VESKBoxSync32.dll";
constexpr wchar_t kChildTest[] = L"HostThreads.DISABLED_ChildProcessOfManyHostThreads";
constexpr int kWaveSize = 16;
constexpr DWORD kChildBoundMs = 90000;

// Threads that reached a point, and a wait for a number of them.
class Meeting {
public:
    void Arrive()
    {
        const std::lock_guard<std::mutex> lock(m_lock);
        ++m_count;
        m_changed.notify_all();
    }
    void WaitFor(int count)
    {
        std::unique_lock<std::mutex> lock(m_lock);
        m_changed.wait(lock, [&] { return m_count >= count; });
    }

private:
    std::mutex m_lock;
    std::condition_variable m_changed;
    int m_count = 0;
};

// Lists the root's child folders through a filter of the calling thread: Box's JSON parsed, and
// a name with non-ASCII letters converted from UTF-8.
void BrowseRootOnThisThread()
{
    try {
        const com_ptr<ILSSyncFilter2> filter = SyncDriver::FilterHost::CreateFilter();
        com_ptr<ILSQueryRepositoryChildFolders> browse;
        ASSERT_EQ(S_OK, filter->QueryInterface(IID_ILSQueryRepositoryChildFolders, browse.put_void()));
        unique_bstr children;
        ASSERT_EQ(S_OK, browse->raw_GetOnlineChildFolders(
                            _bstr_t(L"All Files\thttps://app.box.com/folder/0\tAll Files\t\tBox\t0\t1\t0"), 0,
                            children.put()));
        EXPECT_NE(std::wstring(children.get()).find(L"\u00dcbersicht \u65e5\u672c"), std::wstring::npos);
    } catch (const std::exception& failure) {
        ADD_FAILURE() << failure.what();
    }
}

// Until this apartment and every other one has let go of the DLL; COM keeps it while
// DllCanUnloadNow says no.
void LetComFreeTheDll()
{
    for (int tries = 0; tries < 1000 && ::GetModuleHandleW(kServerDll) != nullptr; ++tries) {
        ::CoFreeUnusedLibrariesEx(0, 0);
        ::Sleep(10);
    }
}

// A wave of host threads, each with its own apartment and filter. When the wave unloads, its
// threads end only after COM has unloaded the DLL.
void RunWave(bool unload)
{
    Meeting released, freed, unloaded;
    std::vector<std::thread> threads;
    for (int i = 0; i < kWaveSize; ++i) {
        threads.emplace_back([&] {
            ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
            BrowseRootOnThisThread();
            if (unload) {
                released.Arrive();
                released.WaitFor(kWaveSize);
                LetComFreeTheDll();
                freed.Arrive();
                unloaded.WaitFor(1);
            }
            ::CoUninitialize();
        });
    }
    if (unload) {
        freed.WaitFor(kWaveSize);
        EXPECT_EQ(nullptr, ::GetModuleHandleW(kServerDll)) << "COM did not unload the DLL";
        unloaded.Arrive();
    }
    for (std::thread& thread : threads)
        thread.join();
}

bool HeapsAreSound()
{
    HANDLE heaps[256];
    const DWORD count = ::GetProcessHeaps(256, heaps);
    for (DWORD i = 0; i < count && i < 256; ++i) {
        if (!::HeapValidate(heaps[i], 0, nullptr))
            return false;
    }
    return count > 0;
}

// The exit code of one run of the child test, or STILL_ACTIVE when it did not end in time (it is
// then ended).
DWORD RunChild(const wchar_t* wineDebug)
{
    wchar_t program[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, program, MAX_PATH);
    std::wstring command = std::wstring(L"\"") + program + L"\" --gtest_brief=1 --gtest_also_run_disabled_tests " +
                           L"--gtest_filter=" + kChildTest;
    wchar_t before[256] = L"-all";
    ::GetEnvironmentVariableW(L"WINEDEBUG", before, 256);
    ::SetEnvironmentVariableW(L"WINEDEBUG", wineDebug != nullptr ? wineDebug : before);
    STARTUPINFOW startup = {sizeof(startup)};
    PROCESS_INFORMATION child = {};
    const BOOL started =
        ::CreateProcessW(program, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &child);
    ::SetEnvironmentVariableW(L"WINEDEBUG", before);
    if (!started) {
        ADD_FAILURE() << "the child could not start: " << ::GetLastError();
        return ~0u;
    }
    const TalvernCommon::unique_handle process(child.hProcess), thread(child.hThread);
    DWORD exitCode = STILL_ACTIVE;
    if (::WaitForSingleObject(process.get(), kChildBoundMs) == WAIT_OBJECT_0)
        ::GetExitCodeProcess(process.get(), &exitCode);
    else
        ::TerminateProcess(process.get(), 1);
    return exitCode;
}

// Run by ProcessesEndSoundlyAfterManyHostThreadsUsedTheFilter in a process of its own: 64 host
// threads in waves, those of the first wave ending after COM unloaded the DLL, the others while it
// stays loaded until the process ends.
TEST(HostThreads, DISABLED_ChildProcessOfManyHostThreads)
{
    for (const bool unload : {true, false, false, false})
        RunWave(unload);
    EXPECT_TRUE(HeapsAreSound());
}

TEST(HostThreads, ProcessesEndSoundlyAfterManyHostThreadsUsedTheFilter)
{
    const TestSupport::BoxStandIn standIn = TestSupport::BoxStandIn::FromEnvironment();
    standIn.Reset();
    standIn.Post("seed", TestSupport::ParseJson(
                             "{\"folders\": [{\"name\": \"\xc3\x9c" "bersicht \xe6\x97\xa5\xe6\x9c\xac\"}]}", "the seed"));
    const SyncDriver::FilterHost host(standIn.BaseUrlWide());
    for (int run = 0; run < 20; ++run) {
        SCOPED_TRACE("run " + std::to_string(run));
        // The first run under the heap checker: memory freed twice, or used after it was freed,
        // then faults at once.
        const DWORD exitCode = RunChild(run == 0 ? L"warn+heap" : nullptr);
        ASSERT_NE(STILL_ACTIVE, exitCode) << "the process did not end within " << kChildBoundMs / 1000 << " s";
        ASSERT_EQ(0u, exitCode);
    }
}

} // namespace
