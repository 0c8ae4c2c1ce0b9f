#include "Foundation/BVLogger.h"

#include <spdlog/sinks/basic_file_sink.h>
#include <spdlog/sinks/stdout_sinks.h>
#include <spdlog/spdlog.h>

#include <mutex>

#include "Foundation/BVFileIO.h"

namespace {

spdlog::level::level_enum toSpd(BVLogLevel level) {
    switch (level) {
        case BVLogLevel::Debug: return spdlog::level::debug;
        case BVLogLevel::Info: return spdlog::level::info;
        case BVLogLevel::Warning: return spdlog::level::warn;
        case BVLogLevel::Error: return spdlog::level::err;
        case BVLogLevel::Off: return spdlog::level::off;
    }
    return spdlog::level::info;
}

struct Shared {
    std::mutex mutex;
    std::shared_ptr<spdlog::logger> logger;
    std::string filePath;
};

Shared& shared() {
    static Shared* s = new Shared();
    return *s;
}

std::shared_ptr<spdlog::logger> makeDefault() {
    auto console = std::make_shared<spdlog::sinks::stderr_sink_mt>();
    auto logger = std::make_shared<spdlog::logger>("brenvik", console);
    logger->set_level(spdlog::level::warn);
    logger->set_pattern("%Y-%m-%d %H:%M:%S.%e [%l] %v");
    return logger;
}

std::shared_ptr<spdlog::logger> current() {
    Shared& s = shared();
    std::lock_guard lock(s.mutex);
    if (!s.logger) s.logger = makeDefault();
    return s.logger;
}

}  // namespace

namespace BVLogger {

void configure(const Configuration& c) {
    std::vector<spdlog::sink_ptr> sinks;
    spdlog::sink_ptr console;
    if (c.consoleIsStandardError) console = std::make_shared<spdlog::sinks::stderr_sink_mt>();
    else console = std::make_shared<spdlog::sinks::stdout_sink_mt>();
    console->set_level(toSpd(c.consoleLevel));
    sinks.push_back(console);

    std::string filePath;
    std::string failedPath;
    if (!c.logFolder.empty()) {
        const std::string& folder = c.logFolder;
        std::string path = BVFileIO::appendPathComponent(folder, c.applicationName + ".log");
        try {
            if (!BVFileIO::createDirectories(folder)) throw spdlog::spdlog_ex("cannot create " + folder);
            auto file = std::make_shared<spdlog::sinks::basic_file_sink_mt>(path, false);
            file->set_level(toSpd(c.level));
            sinks.push_back(file);
            filePath = path;
        } catch (const spdlog::spdlog_ex&) {
            failedPath = path;
        }
    }
    auto logger = std::make_shared<spdlog::logger>("brenvik", sinks.begin(), sinks.end());
    logger->set_level(toSpd(std::min(c.level, c.consoleLevel)));
    logger->set_pattern("%Y-%m-%d %H:%M:%S.%e [%l] %v");
    logger->flush_on(spdlog::level::info);
    {
        Shared& s = shared();
        std::lock_guard lock(s.mutex);
        s.logger = logger;
        s.filePath = filePath;
    }
    if (!failedPath.empty())
        logger->error("Failed to create file handle for file {}. Will write to stdout.", failedPath);
}

std::string logFilePath() {
    Shared& s = shared();
    std::lock_guard lock(s.mutex);
    return s.filePath;
}

bool parseLevel(const std::string& text, BVLogLevel& level) {
    if (text == "debug") level = BVLogLevel::Debug;
    else if (text == "info") level = BVLogLevel::Info;
    else if (text == "warning" || text == "warn") level = BVLogLevel::Warning;
    else if (text == "error") level = BVLogLevel::Error;
    else if (text == "off") level = BVLogLevel::Off;
    else return false;
    return true;
}

void log(BVLogLevel level, const std::string& message) { current()->log(toSpd(level), "{}", message); }

}  // namespace BVLogger
