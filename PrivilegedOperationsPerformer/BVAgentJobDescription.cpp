#include "PrivilegedOperationsPerformer/BVAgentJobDescription.h"

#include <cctype>
#include <sstream>

#include "Foundation/BVFileIO.h"
#include "Foundation/BVPlistCodec.h"

namespace {

constexpr size_t kMaximumDescriptionBytes = 1 << 20;
constexpr size_t kMaximumToolBytes = 256u << 20;

// systemd's quoting: every argument in double quotes with backslash escapes, and "%" and "$"
// doubled, since systemd would otherwise expand them as specifiers and variables.
std::string quote(const std::string& argument) {
    std::string out = "\"";
    for (char c : argument) {
        if (c == '"' || c == '\\') out += '\\';
        if (c == '%' || c == '$') out += c;
        out += c;
    }
    return out + "\"";
}

std::vector<std::string> unquote(const std::string& text) {
    std::vector<std::string> out;
    size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && text[i] == ' ') ++i;
        if (i >= text.size()) break;
        std::string word;
        bool quoted = text[i] == '"';
        if (quoted) ++i;
        while (i < text.size() && (quoted ? text[i] != '"' : text[i] != ' ')) {
            if ((text[i] == '\\' || ((text[i] == '%' || text[i] == '$') && i + 1 < text.size() && text[i + 1] == text[i])) &&
                i + 1 < text.size())
                ++i;
            word += text[i++];
        }
        if (quoted && i < text.size()) ++i;
        out.push_back(std::move(word));
    }
    return out;
}

}  // namespace

namespace BVAgentJobDescription {

BVDictionary jobDictionary(const std::string& label, const std::vector<std::string>& programArguments) {
    return {{"Label", BVValue(label)}, {"ProgramArguments", BVValue(BVArray(programArguments.begin(), programArguments.end()))}};
}

std::string encode(BVLayout layout, const BVDictionary& job) {
    if (layout == BVLayout::macos) {
        BVDictionary plist = job;
        plist["RunAtLoad"] = BVValue(true);
        plist["KeepAlive"] = BVValue(true);
        return BVPlistCodec::encode(BVValue(plist), BVPlistCodec::Format::XML);
    }
    std::string command;
    for (const auto& a : job.at("ProgramArguments").arrayValue()) {
        if (!command.empty()) command += ' ';
        command += quote(a.stringValue());
    }
    return "[Unit]\nDescription=Brenvik privileged agent (" + job.at("Label").stringValue() +
           ")\n\n[Service]\nExecStart=" + command + "\nRestart=always\nRestartSec=1\n\n[Install]\nWantedBy=multi-user.target\n";
}

std::optional<BVDictionary> read(BVLayout layout, const std::string& label, const std::string& path) {
    std::string bytes;
    if (!BVFileIO::readFile(path, bytes, kMaximumDescriptionBytes)) return std::nullopt;
    std::vector<std::string> arguments;
    if (layout == BVLayout::macos) {
        auto plist = BVPlistCodec::decode(bytes);
        if (!plist || (*plist)["Label"].stringValue() != label) return std::nullopt;
        for (const auto& a : (*plist)["ProgramArguments"].arrayValue())
            if (a.isString()) arguments.push_back(a.stringValue());
    } else {
        std::istringstream lines(bytes);
        std::string line;
        while (std::getline(lines, line))
            if (line.rfind("ExecStart=", 0) == 0) arguments = unquote(line.substr(10));
    }
    if (arguments.empty()) return std::nullopt;
    return jobDictionary(label, arguments);
}

std::optional<std::string> bundleVersionOfToolAtPath(const std::string& path) {
    std::string bytes;
    if (!BVFileIO::readFile(path, bytes, kMaximumToolBytes)) return std::nullopt;
    const std::string marker = "BVAgentBundleVersion=";
    // The marker text itself also appears in executables that search for it (followed by its
    // terminating NUL), so the first occurrence with a non-empty version counts.
    for (size_t at = bytes.find(marker); at != std::string::npos; at = bytes.find(marker, at + 1)) {
        size_t start = at + marker.size(), end = start;
        while (end < bytes.size() && end - start < 32 &&
               (std::isalnum(static_cast<unsigned char>(bytes[end])) || bytes[end] == '.' || bytes[end] == '-'))
            ++end;
        if (end > start && end < bytes.size() && bytes[end] == '\0') return bytes.substr(start, end - start);
    }
    return std::nullopt;
}

}  // namespace BVAgentJobDescription
