// Host threads that use the filter through COM and end after COM was asked to unload the DLL, and
// processes that end after them: none may crash, corrupt the heap or hang at its exit. COM unloads
// the DLL while it never talked to Box; once WinINet may call it back, it stays pinned.
#include "BoxStandIn.h"
#include "ComDef.h"
#include "ComOwners.h"
#include "FilterHost.h"
#include "JsonText.h"
#include "RegistrySandbox.h"
#include "ScratchFolder.h"

#include <gtest/gtest.h>
#include <objbase.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace {

using TalvernCommon::com_ptr;

constexpr wchar_t kServerDll[] = L"VESKBoxSync32.dll";
constexpr DWORD kChildBoundMs = 90000;
std::atomic<int> g_released{0}, g_freed{0}, g_calls{0};
std::atomic<bool> g_checked{false};

// Asks COM to let go of unused servers until it has unloaded ours, for about a second.
bool ComUnloadsTheServer()
{
    for (int tries = 0; tries < 100; ++tries) {
        ::CoFreeUnusedLibrariesEx(0, 0);
        if (::GetModuleHandleW(kServerDll) == nullptr)
            return true;
        ::Sleep(10);
    }
    return false;
}

HRESULT LoadedServerCanUnloadNow()
{
    const HMODULE loaded = ::GetModuleHandleW(kServerDll);
    const auto canUnloadNow =
        loaded ? reinterpret_cast<HRESULT(WINAPI*)()>(::GetProcAddress(loaded, "DllCanUnloadNow")) : nullptr;
    return canUnloadNow ? canUnloadNow() : E_UNEXPECTED;
}

// Lists the root's child folders through a filter of the calling thread: Box's JSON is parsed and
// a non-ASCII name converted from UTF-8.
HRESULT BrowseRoot()
{
    com_ptr<ILSQueryRepositoryChildFolders> browse;
    SyncDriver::FilterHost::CreateFilter()->QueryInterface(IID_ILSQueryRepositoryChildFolders, browse.put_void());
    TalvernCommon::unique_bstr children;
    const HRESULT hr = browse->raw_GetOnlineChildFolders(
        _bstr_t(L"All Files\thttps://app.box.com/folder/0\tAll Files\t\tBox\t0\t1\t0"), 0, children.put());
    ++g_calls;
    return SUCCEEDED(hr) && std::wstring(children.get()).find(L"\u00dcbersicht \u65e5\u672c") == std::wstring::npos
               ? E_UNEXPECTED
               : hr;
}

// Sixteen host threads, each with its own apartment and filter. When the wave unloads, they end
// only after every one of them asked COM to let go of the DLL, once no object was left: WinINet's
// threads may still be calling back into it then.
void RunWave(bool unload)
{
    g_released = g_freed = 0;
    g_checked = false;
    std::vector<std::thread> threads;
    for (int i = 0; i < 16; ++i) {
        threads.emplace_back([unload] {
            ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
            EXPECT_EQ(S_OK, BrowseRoot());
            for (++g_released; unload && g_released < 16;)
                ::Sleep(1);
            if (unload)
                ComUnloadsTheServer();
            for (++g_freed; unload && !g_checked;)
                ::Sleep(1);
            ::CoUninitialize();
        });
    }
    while (unload && g_freed < 16)
        ::Sleep(1);
    if (unload) {
        EXPECT_NE(nullptr, ::GetModuleHandleW(kServerDll)) << "COM unloaded the DLL that WinINet calls back";
        EXPECT_EQ(S_OK, LoadedServerCanUnloadNow()) << "no object is left, and the DLL says so";
    }
    g_checked = true;
    for (std::thread& thread : threads)
        thread.join();
}

// The exit code of one run of the child, or STILL_ACTIVE when it did not end in time.
DWORD RunChild(const wchar_t* wineDebug)
{
    wchar_t program[MAX_PATH] = {}, before[256] = L"-all";
    ::GetModuleFileNameW(nullptr, program, MAX_PATH);
    std::wstring command = std::wstring(L"\"") + program +
                           L"\" --gtest_brief=1 --gtest_also_run_disabled_tests --gtest_filter=*DISABLED_Child*";
    ::GetEnvironmentVariableW(L"WINEDEBUG", before, 256);
    ::SetEnvironmentVariableW(L"WINEDEBUG", wineDebug != nullptr ? wineDebug : before);
    STARTUPINFOW startup = {sizeof(startup)};
    PROCESS_INFORMATION child = {};
    const BOOL started =
        ::CreateProcessW(program, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &child);
    ::SetEnvironmentVariableW(L"WINEDEBUG", before);
    if (!started)
        return ~0u;
    const TalvernCommon::unique_handle process(child.hProcess), thread(child.hThread);
    DWORD exitCode = STILL_ACTIVE;
    if (::WaitForSingleObject(process.get(), kChildBoundMs) == WAIT_OBJECT_0)
        ::GetExitCodeProcess(process.get(), &exitCode);
    else
        ::TerminateProcess(process.get(), 1);
    return exitCode;
}

// The child's part: a filter that never talked to Box is unloaded by COM; then 64 host threads in
// waves, the first ending after COM was asked to unload the DLL; then the process ends while one
// more thread is still calling.
TEST(HostThreads, DISABLED_ChildProcessOfManyHostThreads)
{
    ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    SyncDriver::FilterHost::CreateFilter();
    EXPECT_TRUE(ComUnloadsTheServer()) << "a DLL that started nothing stays loaded";
    for (const bool unload : {true, false, false, false})
        RunWave(unload);
    HANDLE heaps[256];
    const DWORD heapCount = ::GetProcessHeaps(256, heaps);
    for (DWORD i = 0; i < heapCount && i < 256; ++i)
        EXPECT_TRUE(::HeapValidate(heaps[i], 0, nullptr)) << "heap " << i;

    const int callsBefore = g_calls;
    std::thread([] {
        ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        for (;;)
            BrowseRoot();
    }).detach();
    while (g_calls == callsBefore)
        ::Sleep(1);
}

TEST(HostThreads, ProcessesEndSoundlyAfterManyHostThreadsUsedTheFilter)
{
    const TestSupport::BoxStandIn standIn = TestSupport::BoxStandIn::FromEnvironment();
    standIn.Reset();
    standIn.Post("seed", TestSupport::ParseJson(
                             "{\"folders\": [{\"name\": \"\xc3\x9c" "bersicht \xe6\x97\xa5\xe6\x9c\xac\"}]}", "the seed"));
    const SyncDriver::FilterHost host(standIn.BaseUrlWide());
    const ScratchFolder logs(L"host-threads-logs");
    RegistrySandbox settings; // every line of the calls goes to a log file
    settings.SetDword(SettingsSource::User, L"VESK.Log.Error", 1);
    settings.SetDword(SettingsSource::User, L"VESK.Log.Diag", 1);
    settings.SetDword(SettingsSource::User, L"VESK.Log.LimitDiagDefault", 9);
    settings.SetString(SettingsSource::User, L"VESK.LogDir", logs.Path());

    for (int run = 0; run < 20; ++run) {
        // The first run under the heap checker, where memory used after it was freed faults.
        const DWORD exitCode = RunChild(run == 0 ? L"warn+heap" : nullptr);
        ASSERT_NE(STILL_ACTIVE, exitCode) << "run " << run << " did not end within " << kChildBoundMs / 1000 << " s";
        ASSERT_EQ(0u, exitCode) << "run " << run;
    }
    size_t logged = 0;
    for (const std::wstring& name : logs.FileNames())
        logged += ReadFileBytes(logs.File(name)).size();
    EXPECT_GT(logged, 20u * 64 * 100) << "the calls wrote too few log lines";
}

} // namespace
