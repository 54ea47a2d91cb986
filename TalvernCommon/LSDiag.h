// Diagnostics: the process's log set-up, the switches callers consult before writing optional
// lines, and the one place where exceptions become HRESULTs.
#pragma once

#include "StdString.h"

#include <windows.h>

#include <glog/logging.h>

#include <string>
#include <string_view>

namespace LSDiag {

// Sets up logging once per process from the "VESK.Log." settings; later calls do nothing.
// - ERROR lines are written only while "VESK.Log.Error" is set.
// - Diagnostic lines (VLOG(n), LS_DIAG_LOG(n)) only while "VESK.Log.Diag" is set, up to the
//   verbosity "VESK.Log.LimitDiagDefault" (default 1), overridden per source file by
//   "VESK.Log.LimitDiagModules": "module=level,module=level", a module being a source file's
//   name without extension, with * and ? as wildcards (LSBaseWS=2,Box*=0).
// - Timing lines and request and response bodies only where LogPerf(), LogRequests() and
//   LogResponses() say so.
// The lines go to one file per process, "<application>-YYYYMMDD-HHMMSS-<process id>.log", in
// the folder "VESK.LogDir", else "VESK Logs" in the user's documents. Before it is created, the
// application's log files older than "VESK.Log.DeleteLogsAfterMins" minutes (default 4320) are
// deleted. Nothing is ever written to the console.
// A failure to set up leaves logging off; it never reaches the caller.
void Initialize(const CStdStr<wchar_t>& applicationName, const CStdStr<wchar_t>& buildVersion) noexcept;

// For the module's detach, before its static objects go. Unloaded while the process goes on, the
// log file is closed. At the process's end it is left to the system: the threads that wrote to it
// are gone, and may have left glog's sink lock taken.
void Detach(bool processEnding) noexcept;

// "VESK.Log.Perf": write timing lines.
bool LogPerf() noexcept;
// "VESK.Log.WebServiceReq": write request bodies.
bool LogRequests() noexcept;
// "VESK.Log.WebServiceResp": write response bodies.
bool LogResponses() noexcept;

// Wide text as UTF-8 for a log line; unpaired surrogates become U+FFFD instead of failing.
std::string LogText(std::wstring_view text);

// Call only inside a catch handler. Classifies the exception in flight (hresult_exception,
// std::exception, bare HRESULT, _com_error, anything else), logs it at ERROR under sourceFile
// and line as methodName + ": Caught <kind> at interface - " + the error's text, stores the
// error's own text (empty for an unknown exception) in errorText when given, and returns the
// exception's failure HRESULT (LSHResultOfCurrentException). Sets no error-info object.
HRESULT HandleInterfaceException(const char* methodName, const char* sourceFile, int line,
                                 CStdStr<wchar_t>* errorText = nullptr) noexcept;

} // namespace LSDiag

// The catch-all that ends every COM method: try { ... } LS_INTERFACE_CATCH_ALL("Class::Method")
#define LS_INTERFACE_CATCH_ALL(methodName)                                                    \
    catch (...)                                                                               \
    {                                                                                         \
        return LSDiag::HandleInterfaceException(methodName, __FILE__, __LINE__);             \
    }

// A diagnostic line at WARNING severity, written only while this source file's diagnostic
// verbosity reaches the given level.
#define LS_DIAG_LOG(verbosity) LOG_IF(WARNING, VLOG_IS_ON(verbosity))
