// Collects the glog lines written while it lives, so tests can check what was logged.
#pragma once

#include <glog/logging.h>

#include <algorithm>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

class LogCapture : public google::LogSink {
public:
    LogCapture()
    {
        // These programs don't set up the product's logging; glog would fill the console or a temporary folder.
        if (!google::IsGoogleLoggingInitialized()) {
            google::InitGoogleLogging("vesk-tests");
            FLAGS_stderrthreshold = google::NUM_SEVERITIES;
            for (google::LogSeverity severity = google::GLOG_INFO; severity < google::NUM_SEVERITIES; ++severity)
                google::SetLogDestination(severity, "");
        }
        google::AddLogSink(this);
    }
    ~LogCapture() override { google::RemoveLogSink(this); }

    void send(google::LogSeverity severity, const char*, const char*, int, const google::LogMessageTime&,
              const char* message, size_t length) override
    {
        std::lock_guard<std::mutex> hold(m_lock);
        m_lines.emplace_back(severity, std::string(message, length));
    }

    bool Contains(google::LogSeverity severity, const std::string& text) const
    {
        std::lock_guard<std::mutex> hold(m_lock);
        return std::any_of(m_lines.begin(), m_lines.end(), [&](const auto& line) {
            return line.first == severity && line.second.find(text) != std::string::npos;
        });
    }

private:
    mutable std::mutex m_lock;
    std::vector<std::pair<google::LogSeverity, std::string>> m_lines;
};
