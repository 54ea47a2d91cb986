// The process's log file on disk: its name, its writing, and the pruning of old ones.
#pragma once

#include "StdString.h"
#include "UniqueResource.h"

#include <windows.h>

#include <glog/logging.h>

#include <memory>
#include <mutex>
#include <string_view>

// Receives every glog line of the process and appends it to the one log file. ERROR lines are
// written only when asked for; the other severities are gated where they are written.
class LSLogFile final : public google::LogSink {
public:
    // Creates folder when needed and a new file "<application>-YYYYMMDD-HHMMSS-<pid>.log" in it
    // (local time now); null when it cannot be created.
    static std::unique_ptr<LSLogFile> Create(const CStdStr<wchar_t>& folder,
                                             const CStdStr<wchar_t>& applicationName, bool writeErrors);

    LSLogFile(TalvernCommon::unique_hfile file, bool writeErrors);
    ~LSLogFile() override;

    void send(google::LogSeverity severity, const char* fullFilename, const char* baseFilename, int line,
              const google::LogMessageTime& time, const char* message, size_t messageLength) override;

    // A line of its own, outside glog (the file's heading).
    void WriteLine(std::string_view text);

private:
    std::mutex m_lock;
    TalvernCommon::unique_hfile m_file;
    const bool m_writeErrors;
};

// The name a log file of applicationName gets at that local time in that process.
CStdStr<wchar_t> MakeLogFileName(const CStdStr<wchar_t>& applicationName, const SYSTEMTIME& localTime,
                                 DWORD processId);

// True for names MakeLogFileName gives for applicationName, whatever time and process.
bool IsLogFileName(const CStdStr<wchar_t>& fileName, const CStdStr<wchar_t>& applicationName);

// Deletes the application's log files in folder last written more than maxAgeMinutes ago; other
// files are never touched.
void PruneLogFiles(const CStdStr<wchar_t>& folder, const CStdStr<wchar_t>& applicationName,
                   DWORD maxAgeMinutes);
