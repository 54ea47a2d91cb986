// Logging set up once with every switch on; its settings go at once, as other programs read "VESK.Log." too.
#include "ComDef.h"
#include "HResultException.h"
#include "LSDiag.h"
#include "RegistrySandbox.h"
#include "ScratchFolder.h"
#include "UniqueResource.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <regex>
#include <stdexcept>

void WriteHelperDiagLines();

namespace {

// Made before logging starts, so it goes after the log file closes at exit.
ScratchFolder& LogFolder()
{
    static ScratchFolder folder(L"common_diag");
    return folder;
}

void SetAgeInMinutes(const std::wstring& path, int minutes)
{
    FILETIME now{};
    ::GetSystemTimeAsFileTime(&now);
    const ULONGLONG then = ((ULONGLONG(now.dwHighDateTime) << 32) | now.dwLowDateTime) - minutes * 600'000'000ULL;
    const FILETIME time{static_cast<DWORD>(then), static_cast<DWORD>(then >> 32)};
    const TalvernCommon::unique_hfile file{::CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES,
                                                         FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                                         FILE_FLAG_BACKUP_SEMANTICS, nullptr)};
    if (!file || !::SetFileTime(file.get(), nullptr, nullptr, &time))
        throw std::runtime_error("test set-up could not age a file");
}

std::vector<std::wstring> OwnLogFiles()
{
    const std::wstring suffix = L"-" + std::to_wstring(::GetCurrentProcessId()) + L".log";
    std::vector<std::wstring> names;
    for (const std::wstring& name : LogFolder().FileNames()) {
        if (name.size() > suffix.size() && name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0)
            names.push_back(name);
    }
    return names;
}

std::string ReadOwnLog()
{
    const std::vector<std::wstring> names = OwnLogFiles();
    return names.size() == 1 ? ReadFileBytes(LogFolder().File(names.front())) : std::string();
}

bool LogHas(const std::string& text) { return ReadOwnLog().find(text) != std::string::npos; }

// Files in the log folder before logging starts, and whether pruning at three days keeps them.
constexpr int kDefaultPruneMinutes = 4320;
const struct {
    const wchar_t* name;
    int minutes;
    bool kept;
} kAgedFiles[] = {
    {L"VESK-BoxSync-20200101-000000-111.log", kDefaultPruneMinutes + 5, false},
    {L"vesk-boxsync-20200101-000000-555.LOG", kDefaultPruneMinutes + 5, false},
    {L"VESK-BoxSync-20200101-000000-222.log", kDefaultPruneMinutes - 5, true},
    {L"VESK-BoxSync-notes.log", kDefaultPruneMinutes + 5, true},
    {L"VESK-BoxSync-20200101-000000-333.txt", kDefaultPruneMinutes + 5, true},
    {L"Other-20200101-000000-444.log", kDefaultPruneMinutes + 5, true},
};
// An old folder with a log file's name.
const wchar_t kAgedFolder[] = L"VESK-BoxSync-20200101-000000-666.log";
SYSTEMTIME g_startTime{};

class LoggingOn : public testing::Environment {
public:
    void SetUp() override
    {
        for (const auto& file : kAgedFiles)
            SetAgeInMinutes(LogFolder().Write(file.name, ""), file.minutes);
        ::CreateDirectoryW(LogFolder().File(kAgedFolder).c_str(), nullptr);
        SetAgeInMinutes(LogFolder().File(kAgedFolder), kDefaultPruneMinutes + 5);

        ::GetLocalTime(&g_startTime);
        RegistrySandbox registry;
        registry.SetString(SettingsSource::User, L"VESK.LogDir", LogFolder().Path());
        for (const wchar_t* on : {L"VESK.Log.Error", L"VESK.Log.Diag", L"VESK.Log.Perf", L"VESK.Log.WebServiceResp",
                                  L"VESK.Log.LimitDiagDefault"})
            registry.SetDword(SettingsSource::User, on, 1);
        registry.SetDword(SettingsSource::User, L"VESK.Log.WebServiceReq", 0);
        registry.SetString(SettingsSource::User, L"VESK.Log.LimitDiagModules", L"test_d?ag=2, bad entry,=3,diag_helper=x");
        LSDiag::Initialize(L"VESK-BoxSync", L"24.04.0 (17891) test");
    }
};

const auto* const g_environment = testing::AddGlobalTestEnvironment(new LoggingOn);

TEST(LogFile, OneFilePerProcessNamedWithDateTimeAndProcessIdOldOnesPruned)
{
    const std::vector<std::wstring> names = OwnLogFiles();
    ASSERT_EQ(names.size(), 1u);
    std::wsmatch parts;
    ASSERT_TRUE(std::regex_match(names.front(), parts, std::wregex(L"VESK-BoxSync-(\\d{8})-(\\d{6})-(\\d+)\\.log")));
    wchar_t date[9] = {};
    std::swprintf(date, 9, L"%04u%02u%02u", g_startTime.wYear, g_startTime.wMonth, g_startTime.wDay);
    EXPECT_EQ(parts[1].str(), date);
    EXPECT_EQ(parts[3].str(), std::to_wstring(::GetCurrentProcessId()));

    EXPECT_EQ(ReadOwnLog().rfind("VESK-BoxSync 24.04.0 (17891) test\r\n", 0), 0u);

    LSDiag::Initialize(L"Another", L"1");
    EXPECT_EQ(OwnLogFiles(), names) << "a later Initialize does nothing";

    // Only the application's old log files are pruned.
    const auto exists = [](const wchar_t* name) {
        return ::GetFileAttributesW(LogFolder().File(name).c_str()) != INVALID_FILE_ATTRIBUTES;
    };
    for (const auto& file : kAgedFiles)
        EXPECT_EQ(exists(file.name), file.kept) << testing::PrintToString(std::wstring(file.name));
    EXPECT_TRUE(exists(kAgedFolder));
}

TEST(LogLevels, VerbosityPerModuleWithDefaultForOthers)
{
    VLOG(1) << "own verbosity 1";
    VLOG(2) << "own verbosity 2";
    VLOG(3) << "own verbosity 3";
    LS_DIAG_LOG(2) << "diagnostic warning 2";
    LS_DIAG_LOG(3) << "diagnostic warning 3";
    WriteHelperDiagLines();

    const std::string log = ReadOwnLog();
    for (const char* line : {"own verbosity 1", "own verbosity 2", "helper verbosity 1", "diagnostic warning 2"})
        EXPECT_NE(log.find(line), std::string::npos) << line;
    for (const char* line : {"own verbosity 3", "diagnostic warning 3", "helper verbosity 2"})
        EXPECT_EQ(log.find(line), std::string::npos) << line;
    EXPECT_TRUE(LSDiag::LogPerf());
    EXPECT_FALSE(LSDiag::LogRequests());
    EXPECT_TRUE(LSDiag::LogResponses());
}

TEST(CatchAll, ClassifiesLogsAndReturnsTheFailure)
{
    const struct {
        void (*thrower)();
        HRESULT expected;
        std::string text;
    } cases[] = {
        {[] { throw hresult_exception(E_FAIL, "cannot read C:\\D\xc3\xa9p\xc3\xb4t"); }, E_FAIL,
         "hresult_exception at interface - cannot read C:\\D\xc3\xa9p\xc3\xb4t"},
        {[] { throw hresult_exception(S_FALSE, "odd"); }, E_FAIL, "hresult_exception at interface - odd"},
        {[] { throw std::runtime_error("broken pipe"); }, E_FAIL, "std::exception at interface - broken pipe"},
        {[] { throw E_INVALIDARG; }, E_INVALIDARG, "HRESULT at interface - 0x80070057"},
        {[] { throw HRESULT(S_OK); }, E_FAIL, "HRESULT at interface - 0x00000000"},
        {[] { throw std::wstring(L"some text"); }, E_FAIL, "unknown exception at interface - "},
        {[] { throw _com_error(E_POINTER); }, E_POINTER,
         "_com_error at interface - " + LSDiag::LogText(_com_error(E_POINTER).ErrorMessage())},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        CStdStr<wchar_t> errorText;
        HRESULT returned = S_OK;
        try {
            c.thrower();
        } catch (...) {
            returned = LSDiag::HandleInterfaceException("Test::Method", "C:\\src\\SomeFile.cpp", 77, &errorText);
        }
        EXPECT_EQ(returned, c.expected);
        // The caller's text is the error's own, without the method and the kind.
        EXPECT_EQ(LSDiag::LogText(errorText), c.text.substr(c.text.find(" - ") + 3));
        EXPECT_TRUE(LogHas("Test::Method: Caught " + c.text));
    }
}

HRESULT MethodEndingInTheCatchAll()
try {
    throw hresult_exception(E_NOTIMPL, "not here");
}
LS_INTERFACE_CATCH_ALL("Test::MacroMethod")

TEST(CatchAllMacro, ReturnsTheHResultAndLogsTheMethodsPlaceAndWithoutAnExceptionFailsCleanly)
{
    EXPECT_EQ(MethodEndingInTheCatchAll(), E_NOTIMPL);
    EXPECT_TRUE(LogHas("Test::MacroMethod: Caught hresult_exception at interface - not here"));

    CStdStr<wchar_t> errorText;
    EXPECT_EQ(LSDiag::HandleInterfaceException("Test::Stray", __FILE__, __LINE__, &errorText), E_FAIL);
    EXPECT_EQ(errorText, L"");
}

} // namespace
