// The host add-in's DLL must come from the same release as the filter. The comparison holds for
// the life of a process, so each host DLL gets a process of its own: this program started again
// on a copy of the product DLL beside one of the host's.
#include "BinFolder.h"
#include "ComPtr.h"
#include "LSModule.h"
#include "ScratchFolder.h"
#include "ServerDll.h"
#include "UniqueResource.h"
#include "VESKBoxSync.h"

#include <gtest/gtest.h>
#include <objbase.h>

#include <ostream>
#include <string>

namespace {

using TalvernCommon::com_ptr;
using TestSupport::BinFolder;

constexpr wchar_t kFolderVariable[] = L"VESK_HOST_GATE_FOLDER";
constexpr wchar_t kServedVariable[] = L"VESK_HOST_GATE_SERVED";
constexpr DWORD kChildTimeoutMs = 120000;

std::wstring Environment(const wchar_t* name)
{
    wchar_t value[MAX_PATH] = {};
    const DWORD length = ::GetEnvironmentVariableW(name, value, MAX_PATH);
    return length > 0 && length < MAX_PATH ? std::wstring(value, length) : std::wstring();
}

// Runs the child test below in a new process on the folder; its output joins this program's.
testing::AssertionResult RunChild(const std::wstring& folder, bool served)
{
    ::SetEnvironmentVariableW(kFolderVariable, folder.c_str());
    ::SetEnvironmentVariableW(kServedVariable, served ? L"1" : L"0");
    std::wstring commandLine = L"\"" + GetModulePath(nullptr) +
                               L"\" --gtest_also_run_disabled_tests"
                               L" --gtest_filter=HostVersionGateChild.DISABLED_ServesOnlyTheSameRelease";
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION started = {};
    const BOOL created = ::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                                          &startup, &started);
    ::SetEnvironmentVariableW(kFolderVariable, nullptr);
    ::SetEnvironmentVariableW(kServedVariable, nullptr);
    if (!created)
        return testing::AssertionFailure() << "CreateProcess failed with " << ::GetLastError();
    const TalvernCommon::unique_handle process(started.hProcess);
    const TalvernCommon::unique_handle thread(started.hThread);
    if (::WaitForSingleObject(process.get(), kChildTimeoutMs) != WAIT_OBJECT_0) {
        ::TerminateProcess(process.get(), 1);
        ::WaitForSingleObject(process.get(), INFINITE);
        return testing::AssertionFailure() << "the child did not end";
    }
    DWORD exitCode = 1;
    ::GetExitCodeProcess(process.get(), &exitCode);
    if (exitCode != 0)
        return testing::AssertionFailure() << "the child's checks failed (exit code " << exitCode << ")";
    return testing::AssertionSuccess();
}

struct HostCase {
    const wchar_t* differingPart;
    bool served;
};

void PrintTo(const HostCase& hostCase, std::ostream* out)
{
    *out << "host differing in " << testing::PrintToString(std::wstring(hostCase.differingPart))
         << (hostCase.served ? " is served" : " is refused");
}

class HostVersionGate : public testing::TestWithParam<HostCase> {};

TEST_P(HostVersionGate, ClassObjectRequestsFollowTheHostsRelease)
{
    const std::wstring part = GetParam().differingPart;
    ScratchFolder folder(L"com_module-host-" + part);
    folder.Copy(BinFolder() + L"\\VESKBoxSync32.dll", L"VESKBoxSync32.dll");
    folder.Copy(BinFolder() + L"\\hostversions\\" + part + L"\\VESK32.dll", L"VESK32.dll");
    EXPECT_TRUE(RunChild(folder.Path(), GetParam().served));
}

INSTANTIATE_TEST_SUITE_P(HostDlls, HostVersionGate,
                         testing::Values(HostCase{L"major", false}, HostCase{L"build", false},
                                         HostCase{L"revision", true}));

// Runs only as the child of HostVersionGate.
TEST(HostVersionGateChild, DISABLED_ServesOnlyTheSameRelease)
{
    const std::wstring folder = Environment(kFolderVariable);
    ASSERT_FALSE(folder.empty()) << "started by HostVersionGate only";
    const bool served = Environment(kServedVariable) == L"1";
    ASSERT_EQ(::GetModuleHandleW(L"VESK32.dll"), nullptr);
    ServerDll server;
    ASSERT_TRUE(server.Load(folder + L"\\VESKBoxSync32.dll"));

    if (served) {
        com_ptr<IClassFactory> factory;
        ASSERT_EQ(server.GetClassObject(CLSID_VESKBoxSyncFilter, IID_IClassFactory, factory.put_void()), S_OK);
        com_ptr<IUnknown> filter;
        EXPECT_EQ(factory->CreateInstance(nullptr, IID_IUnknown, filter.put_void()), S_OK);
        return;
    }
    void* answer = reinterpret_cast<void*>(1);
    EXPECT_EQ(server.GetClassObject(CLSID_VESKBoxSyncFilter, IID_IClassFactory, &answer), E_INVALIDARG);
    EXPECT_EQ(answer, nullptr);
    // A host of the same release put in place later changes nothing in this process.
    ASSERT_TRUE(::CopyFileW((BinFolder() + L"\\VESK32.dll").c_str(), (folder + L"\\VESK32.dll").c_str(), FALSE));
    EXPECT_EQ(server.GetClassObject(CLSID_VESKBoxSyncFilter, IID_IClassFactory, &answer), E_INVALIDARG);
}

} // namespace
