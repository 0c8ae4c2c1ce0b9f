// The shared logger: one process-wide logger with a minimum level. Its writers are the console
// (standard output, or standard error when the caller keeps standard output for results) and,
// appended, "<AppName>.log" in the program's log folder, created when missing. When that file cannot be opened, the logger says so once and writes to
// the console only. Safe from any thread.
#pragma once

#include <spdlog/fmt/fmt.h>

#include <string>

enum class BVLogLevel { Debug, Info, Warning, Error, Off };

namespace BVLogger {

struct Configuration {
    std::string logFolder;         // the folder of the log file; empty for console only
    std::string applicationName = "Brenvik";
    BVLogLevel level = BVLogLevel::Info;
    BVLogLevel consoleLevel = BVLogLevel::Info;
    bool consoleIsStandardError = true;
};

// Replaces the writers. Until it is called, messages go to standard error at Warning and above.
void configure(const Configuration& configuration);
// The path of the log file in use, empty when only the console is written.
std::string logFilePath();
bool parseLevel(const std::string& text, BVLogLevel& level);

void log(BVLogLevel level, const std::string& message);
inline void debug(const std::string& m) { log(BVLogLevel::Debug, m); }
inline void info(const std::string& m) { log(BVLogLevel::Info, m); }
inline void warning(const std::string& m) { log(BVLogLevel::Warning, m); }
inline void error(const std::string& m) { log(BVLogLevel::Error, m); }

}  // namespace BVLogger
