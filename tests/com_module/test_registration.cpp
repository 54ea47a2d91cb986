// Registration as installers call it, machine-wide or per user, under a caller's locale it must give back.
#include "ScratchFolder.h"
#include "ServerDll.h"
#include "ServerRegistry.h"

namespace {

constexpr LCID kCallerLocale = MAKELCID(MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN), SORT_DEFAULT);

bool SamePath(const std::wstring& a, const std::wstring& b)
{
    return ::CompareStringOrdinal(a.c_str(), -1, b.c_str(), -1, TRUE) == CSTR_EQUAL;
}

void ExpectRegisteredIn(ClassStore store, const ServerDll& server)
{
    EXPECT_PRED2(SamePath, ClassValue(store, L"InprocServer32"), server.Path());
    EXPECT_EQ(ClassValue(store, L"InprocServer32", L"ThreadingModel"), L"Apartment");
    EXPECT_FALSE(ClassKeysExist(store == ClassStore::Machine ? ClassStore::User : ClassStore::Machine));
    EXPECT_PRED2(SamePath, RegisteredTypeLibPath(), server.Path());
    EXPECT_EQ(::GetThreadLocale(), kCallerLocale);
}

void ExpectNothingRegistered()
{
    for (const ClassStore store : {ClassStore::Machine, ClassStore::User}) {
        EXPECT_FALSE(ClassKeysExist(store));
        EXPECT_FALSE(InterfaceKeyExists(store));
    }
    EXPECT_EQ(RegisteredTypeLibPath(), L"");
    EXPECT_EQ(::GetThreadLocale(), kCallerLocale);
}

class Registration : public testing::Test {
protected:
    void SetUp() override
    {
        RemoveServerRegistration();
        ::SetThreadLocale(kCallerLocale);
        ASSERT_TRUE(m_server.Load());
    }
    void TearDown() override
    {
        ::SetThreadLocale(m_savedLocale);
        RemoveServerRegistration();
    }

    const LCID m_savedLocale = ::GetThreadLocale();
    ServerDll m_server;
};

// From a folder whose name holds a quote and a percent sign, which is registered as it is.
TEST_F(Registration, RegisterServerTwiceThenUnregisterTwiceLeavesNothingWhateverTheFolderName)
{
    m_server = ServerDll();
    ScratchFolder folder(L"com_module-O'Brien 100%");
    ASSERT_TRUE(m_server.Load(folder.Copy(TestSupport::BinFolder() + L"\\VESKBoxSync32.dll", L"VESKBoxSync32.dll")));
    ASSERT_EQ(m_server.RegisterServer(), S_OK);
    ASSERT_EQ(m_server.RegisterServer(), S_OK);
    ExpectRegisteredIn(ClassStore::Machine, m_server);
    EXPECT_TRUE(InterfaceKeyExists(ClassStore::Machine));
    EXPECT_EQ(m_server.UnregisterServer(), S_OK);
    ExpectNothingRegistered();
    // Unregistering what is not registered is no failure.
    EXPECT_EQ(m_server.UnregisterServer(), S_OK);
    m_server = ServerDll(); // before its folder goes
}

// The command line chooses the store once; later calls (DllUnregisterServer, or DllInstall with the
// null command line) still work on that store, as the choice holds while the DLL stays loaded.
TEST_F(Registration, InstallRegistersInTheChosenStoreAndUnregistersFromIt)
{
    const std::pair<const wchar_t*, ClassStore> cases[] = {
        {L"USER", ClassStore::User}, {L"users", ClassStore::Machine}, {nullptr, ClassStore::Machine}};
    for (const auto& [commandLine, store] : cases) {
        SCOPED_TRACE(commandLine ? commandLine : L"(null)");
        m_server = ServerDll();
        ASSERT_TRUE(m_server.Load());
        ASSERT_EQ(m_server.Install(TRUE, commandLine), S_OK);
        ExpectRegisteredIn(store, m_server);
        EXPECT_EQ(m_server.Install(FALSE, nullptr), S_OK);
        ExpectNothingRegistered();

        ASSERT_EQ(m_server.Install(TRUE, commandLine), S_OK);
        EXPECT_EQ(m_server.UnregisterServer(), S_OK);
        ExpectNothingRegistered();
    }
}

// The class script runs, then the type library's registration fails.
TEST_F(Registration, InstallFailingInItsSecondStepRollsBack)
{
    const LockedTypeLibKey lock;
    ASSERT_TRUE(lock.Locked());
    const HRESULT installed = m_server.Install(TRUE, nullptr);
    EXPECT_TRUE(FAILED(installed)) << std::hex << installed;
    EXPECT_FALSE(ClassKeysExist(ClassStore::Machine));
    EXPECT_EQ(RegisteredTypeLibPath(), L"");
    EXPECT_EQ(::GetThreadLocale(), kCallerLocale);

    // The bare registration fails at the same step and, rolling nothing back, shows that the
    // class script had run.
    EXPECT_EQ(m_server.RegisterServer(), installed);
    EXPECT_TRUE(ClassKeysExist(ClassStore::Machine));
    EXPECT_EQ(::GetThreadLocale(), kCallerLocale);
}

} // namespace
