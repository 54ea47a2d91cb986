#include "LSDiag.h"

#include "LSLogFile.h"
#include "LSSetting.h"
#include "StringUtils.h"

#include <glog/vlog_is_on.h>
#include <shlobj.h>

#include <atomic>
#include <climits>
#include <cwchar>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace {

std::atomic<bool> g_logPerf{false};
std::atomic<bool> g_logRequests{false};
std::atomic<bool> g_logResponses{false};

constexpr DWORD kDefaultDeleteLogsAfterMins = 4320;
constexpr DWORD kDefaultDiagVerbosity = 1;

struct LogSettings {
    bool errors;
    bool diagnostics;
    bool perf;
    bool requests;
    bool responses;
    DWORD diagVerbosity;
    CStdStr<wchar_t> diagModules;
    CStdStr<wchar_t> folder;
    DWORD deleteAfterMinutes;

    bool AnyOn() const { return errors || diagnostics || perf || requests || responses; }
};

LogSettings ReadLogSettings()
{
    const LSSetting& settings = LSSetting::GetInstance();
    const auto on = [&](const wchar_t* name) { return settings.GetUserDword(name, 0) != 0; };
    return LogSettings{on(L"VESK.Log.Error"),
                       on(L"VESK.Log.Diag"),
                       on(L"VESK.Log.Perf"),
                       on(L"VESK.Log.WebServiceReq"),
                       on(L"VESK.Log.WebServiceResp"),
                       settings.GetUserDword(L"VESK.Log.LimitDiagDefault", kDefaultDiagVerbosity),
                       settings.GetUserString(L"VESK.Log.LimitDiagModules", L""),
                       settings.GetUserString(L"VESK.LogDir", L""),
                       settings.GetUserDword(L"VESK.Log.DeleteLogsAfterMins", kDefaultDeleteLogsAfterMins)};
}

CStdStr<wchar_t> DefaultLogFolder()
{
    wchar_t documents[MAX_PATH] = {};
    if (FAILED(::SHGetFolderPathW(nullptr, CSIDL_PERSONAL, nullptr, SHGFP_TYPE_CURRENT, documents)))
        return {};
    return CStdStr<wchar_t>(documents) + L"\\VESK Logs";
}

int VerbosityLevel(DWORD setting)
{
    return setting > static_cast<DWORD>(INT_MAX) ? INT_MAX : static_cast<int>(setting);
}

// "module=level,module=level"; entries without a module or a numeric level are ignored.
void ApplyModuleVerbosity(const CStdStr<wchar_t>& modules)
{
    for (const CStdStr<wchar_t>& entry : SplitString(modules, L",")) {
        const std::vector<CStdStr<wchar_t>> parts = SplitString(entry, L"=", 2);
        if (parts.size() != 2)
            continue;
        CStdStr<wchar_t> module = parts[0];
        CStdStr<wchar_t> level = parts[1];
        if (module.Trim().empty() || level.Trim().empty() || level.find_first_not_of(L"0123456789") != level.npos)
            continue;
        google::SetVLOGLevel(LSDiag::LogText(module).c_str(), VerbosityLevel(std::wcstoul(level.c_str(), nullptr, 10)));
    }
}

void ApplyVerbosity(const LogSettings& settings)
{
    FLAGS_v = settings.diagnostics ? VerbosityLevel(settings.diagVerbosity) : 0;
    if (settings.diagnostics)
        ApplyModuleVerbosity(settings.diagModules);
}

// The host's process has no console to write to, and glog's own files would bypass the
// switches: every line goes through LSLogFile or nowhere.
void SilenceGlogOutputs()
{
    FLAGS_logtostderr = false;
    FLAGS_alsologtostderr = false;
    FLAGS_stderrthreshold = google::NUM_SEVERITIES;
    for (google::LogSeverity severity = google::GLOG_INFO; severity < google::NUM_SEVERITIES; ++severity)
        google::SetLogDestination(severity, "");
}

std::unique_ptr<LSLogFile>& ProcessLogFile()
{
    static std::unique_ptr<LSLogFile> file;
    return file;
}

void SetUpLogging(const CStdStr<wchar_t>& applicationName, const CStdStr<wchar_t>& buildVersion)
{
    // glog keeps the pointer for the life of the process.
    static std::string programName;
    if (!google::IsGoogleLoggingInitialized()) {
        programName = LSDiag::LogText(applicationName);
        google::InitGoogleLogging(programName.c_str());
    }
    SilenceGlogOutputs();

    const LogSettings settings = ReadLogSettings();
    g_logPerf = settings.perf;
    g_logRequests = settings.requests;
    g_logResponses = settings.responses;
    ApplyVerbosity(settings);

    const CStdStr<wchar_t> folder = settings.folder.empty() ? DefaultLogFolder() : settings.folder;
    if (folder.empty())
        return;
    PruneLogFiles(folder, applicationName, settings.deleteAfterMinutes);
    if (!settings.AnyOn())
        return;
    std::unique_ptr<LSLogFile>& file = ProcessLogFile();
    file = LSLogFile::Create(folder, applicationName, settings.errors);
    if (!file)
        return;
    file->WriteLine(LSDiag::LogText(applicationName + L" " + buildVersion));
    google::AddLogSink(file.get());
}

} // namespace

namespace LSDiag {

void Initialize(const CStdStr<wchar_t>& applicationName, const CStdStr<wchar_t>& buildVersion) noexcept
{
    static std::once_flag once;
    std::call_once(once, [&] {
        try {
            SetUpLogging(applicationName, buildVersion);
        } catch (...) {
            // Diagnostics must never keep the host from loading the filter: logging stays off.
        }
    });
}

void Detach(bool processEnding) noexcept
{
    std::unique_ptr<LSLogFile>& file = ProcessLogFile();
    if (processEnding)
        static_cast<void>(file.release());
    else
        file.reset();
}

bool LogPerf() noexcept { return g_logPerf; }
bool LogRequests() noexcept { return g_logRequests; }
bool LogResponses() noexcept { return g_logResponses; }

std::string LogText(std::wstring_view text)
{
    return WideToUtf8Lossy(text);
}

} // namespace LSDiag
