// Registration through the DLL's entry points, as regsvr32 and installers call them: exactly the
// class script's keys and the type library, in the machine's or the user's classes.
#include "BinFolder.h"
#include "ScratchFolder.h"
#include "ServerDll.h"
#include "ServerRegistry.h"
#include "ThreadLocale.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

namespace {

using TestSupport::BinFolder;

// A locale the registration does not run under: it must get it back.
constexpr LCID kCallerLocale = MAKELCID(MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN), SORT_DEFAULT);

bool SamePath(const std::wstring& a, const std::wstring& b)
{
    return ::CompareStringOrdinal(a.c_str(), -1, b.c_str(), -1, TRUE) == CSTR_EQUAL;
}

class Registration : public testing::Test {
protected:
    void SetUp() override
    {
        RemoveServerRegistration();
        ASSERT_TRUE(m_server.Load());
    }
    void TearDown() override { RemoveServerRegistration(); }

    void ExpectRegisteredIn(ClassStore store)
    {
        const ClassStore other = store == ClassStore::Machine ? ClassStore::User : ClassStore::Machine;
        EXPECT_EQ(ClassScriptKeys(store), ExpectedClassScriptKeys(m_server.Path()));
        EXPECT_TRUE(ClassScriptKeys(other).empty());
        EXPECT_PRED2(SamePath, RegisteredTypeLibPath(), m_server.Path());
        EXPECT_FALSE(AppIdKeyExists(store));
    }

    void ExpectNothingRegistered()
    {
        EXPECT_TRUE(ClassScriptKeys(ClassStore::Machine).empty());
        EXPECT_TRUE(ClassScriptKeys(ClassStore::User).empty());
        EXPECT_EQ(RegisteredTypeLibPath(), L"");
        EXPECT_FALSE(InterfaceKeyExists(ClassStore::Machine));
        EXPECT_FALSE(InterfaceKeyExists(ClassStore::User));
    }

    ServerDll m_server;
};

TEST_F(Registration, RegisterServerWritesTheClassScriptAndTheTypeLibraryForTheMachine)
{
    {
        const ThreadLocaleScope callerLocale(kCallerLocale);
        ASSERT_EQ(m_server.RegisterServer(), S_OK);
        EXPECT_EQ(::GetThreadLocale(), kCallerLocale);
    }
    ExpectRegisteredIn(ClassStore::Machine);
    EXPECT_TRUE(InterfaceKeyExists(ClassStore::Machine));

    EXPECT_EQ(m_server.UnregisterServer(), S_OK);
    ExpectNothingRegistered();
    // Unregistering what is not registered is no failure.
    EXPECT_EQ(m_server.UnregisterServer(), S_OK);
}

TEST_F(Registration, RegisteringTwiceLeavesOneRegistration)
{
    ASSERT_EQ(m_server.RegisterServer(), S_OK);
    ASSERT_EQ(m_server.RegisterServer(), S_OK);
    ExpectRegisteredIn(ClassStore::Machine);
    EXPECT_EQ(m_server.UnregisterServer(), S_OK);
    ExpectNothingRegistered();
}

struct InstallCase {
    const wchar_t* commandLine;
    ClassStore store;
};

void PrintTo(const InstallCase& installCase, std::ostream* out)
{
    const wchar_t* commandLine = installCase.commandLine;
    *out << (commandLine == nullptr ? "null" : testing::PrintToString(std::wstring(commandLine)))
         << (installCase.store == ClassStore::User ? " registers for the user" : " registers for the machine");
}

class Install : public Registration, public testing::WithParamInterface<InstallCase> {};

// The command line chooses the store once; a later call without it (the null command line)
// still works on that store, as the choice holds while the DLL stays loaded.
TEST_P(Install, RegistersInTheChosenStoreAndUnregistersFromIt)
{
    ASSERT_EQ(m_server.Install(TRUE, GetParam().commandLine), S_OK);
    ExpectRegisteredIn(GetParam().store);

    EXPECT_EQ(m_server.Install(FALSE, nullptr), S_OK);
    ExpectNothingRegistered();
}

INSTANTIATE_TEST_SUITE_P(CommandLines, Install,
                         testing::Values(InstallCase{L"user", ClassStore::User}, InstallCase{L"USER", ClassStore::User},
                                         InstallCase{L"User", ClassStore::User},
                                         InstallCase{L"users", ClassStore::Machine},
                                         InstallCase{L"use", ClassStore::Machine},
                                         InstallCase{L"", ClassStore::Machine},
                                         InstallCase{nullptr, ClassStore::Machine}));

TEST_F(Registration, UnregisterServerAfterPerUserInstallRemovesTheUsersKeys)
{
    ASSERT_EQ(m_server.Install(TRUE, L"user"), S_OK);
    EXPECT_EQ(m_server.UnregisterServer(), S_OK);
    ExpectNothingRegistered();
}

// The type library's key is locked against writing (as an administrator's access rule would):
// the class script runs, then the type library's registration fails.
TEST_F(Registration, InstallFailingInItsSecondStepRollsBack)
{
    const LockedTypeLibKey lock;
    ASSERT_TRUE(lock.Locked());
    const ThreadLocaleScope callerLocale(kCallerLocale);

    const HRESULT installed = m_server.Install(TRUE, nullptr);
    EXPECT_TRUE(FAILED(installed)) << std::hex << installed;
    EXPECT_TRUE(ClassScriptKeys(ClassStore::Machine).empty());
    EXPECT_EQ(RegisteredTypeLibPath(), L"");
    EXPECT_EQ(::GetThreadLocale(), kCallerLocale);

    // The bare registration fails at the same step and, rolling nothing back, shows that the
    // class script had run.
    EXPECT_EQ(m_server.RegisterServer(), installed);
    EXPECT_EQ(ClassScriptKeys(ClassStore::Machine), ExpectedClassScriptKeys(m_server.Path()));
    EXPECT_EQ(::GetThreadLocale(), kCallerLocale);
}

class RegistrationElsewhere : public testing::Test {
protected:
    void SetUp() override { RemoveServerRegistration(); }
    void TearDown() override { RemoveServerRegistration(); }
};

// The module's path goes into the registry whole, whatever characters its folder's name holds.
TEST_F(RegistrationElsewhere, FolderNameWithQuoteAndPercentSignIsRegisteredAsItIs)
{
    ScratchFolder folder(L"com_module-O'Brien 100%");
    ServerDll server;
    ASSERT_TRUE(server.Load(folder.Copy(BinFolder() + L"\\VESKBoxSync32.dll", L"VESKBoxSync32.dll")));
    ASSERT_EQ(server.RegisterServer(), S_OK);
    EXPECT_EQ(ClassScriptKeys(ClassStore::Machine), ExpectedClassScriptKeys(server.Path()));
    EXPECT_PRED2(SamePath, RegisteredTypeLibPath(), server.Path());
    EXPECT_EQ(server.UnregisterServer(), S_OK);
    EXPECT_TRUE(ClassScriptKeys(ClassStore::Machine).empty());
}

} // namespace
