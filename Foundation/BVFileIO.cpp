#include "Foundation/BVFileIO.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <random>
#include <vector>

namespace {
std::string reason(const std::string& what, const std::string& path) {
    return what + " " + path + ": " + std::strerror(errno);
}
}  // namespace

namespace BVFileIO {

bool readFile(const std::string& path, std::string& contents, size_t maximumBytes, std::string* error) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (error) *error = reason("cannot open", path);
        return false;
    }
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
        ::close(fd);
        if (error) *error = "cannot read " + path + ": is a folder";
        return false;
    }
    contents.clear();
    char buffer[65536];
    for (;;) {
        ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR) continue;
            if (error) *error = reason("cannot read", path);
            ::close(fd);
            return false;
        }
        if (n == 0) break;
        if (contents.size() + size_t(n) > maximumBytes) {
            if (error) *error = "file " + path + " is larger than " + std::to_string(maximumBytes) + " bytes";
            ::close(fd);
            return false;
        }
        contents.append(buffer, size_t(n));
    }
    ::close(fd);
    return true;
}

bool writeFileAtomically(const std::string& path, const std::string& contents, std::string* error) {
    std::random_device rd;
    std::string temporary = path + ".tmp" + std::to_string(rd());
    int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) {
        if (error) *error = reason("cannot create", temporary);
        return false;
    }
    size_t written = 0;
    while (written < contents.size()) {
        ssize_t n = ::write(fd, contents.data() + written, contents.size() - written);
        if (n < 0) {
            if (errno == EINTR) continue;
            if (error) *error = reason("cannot write", temporary);
            ::close(fd);
            ::unlink(temporary.c_str());
            return false;
        }
        written += size_t(n);
    }
    if (::fsync(fd) != 0 || ::close(fd) != 0) {
        if (error) *error = reason("cannot flush", temporary);
        ::unlink(temporary.c_str());
        return false;
    }
    if (::rename(temporary.c_str(), path.c_str()) != 0) {
        if (error) *error = reason("cannot replace", path);
        ::unlink(temporary.c_str());
        return false;
    }
    return true;
}

bool createDirectories(const std::string& path, std::string* error) {
    if (path.empty()) return true;
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode)) return true;
        if (error) *error = "cannot create folder " + path + ": a file is in the way";
        return false;
    }
    std::string parent = parentPath(path);
    if (parent != path && !createDirectories(parent, error)) return false;
    if (::mkdir(path.c_str(), 0755) != 0 && errno != EEXIST) {
        if (error) *error = reason("cannot create folder", path);
        return false;
    }
    return true;
}

std::string parentPath(const std::string& path) {
    size_t end = path.size();
    while (end > 1 && path[end - 1] == '/') --end;
    size_t slash = path.rfind('/', end - 1);
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

std::string lastPathComponent(const std::string& path) {
    size_t end = path.size();
    while (end > 1 && path[end - 1] == '/') --end;
    size_t slash = path.rfind('/', end - 1);
    return slash == std::string::npos ? path.substr(0, end) : path.substr(slash + 1, end - slash - 1);
}

std::string pathExtension(const std::string& path) {
    std::string name = lastPathComponent(path);
    size_t dot = name.rfind('.');
    if (dot == std::string::npos || dot == 0) return "";
    return name.substr(dot + 1);
}

std::string appendPathComponent(const std::string& base, const std::string& component) {
    if (base.empty()) return component;
    std::string c = component;
    while (!c.empty() && c.front() == '/') c.erase(c.begin());
    if (base.back() == '/') return base + c;
    return base + "/" + c;
}

std::optional<std::string> lexicallyNormalPath(const std::string& path) {
    if (path.empty() || path[0] != '/') return std::nullopt;
    std::vector<std::string> parts;
    size_t start = 1;
    while (start <= path.size()) {
        size_t end = path.find('/', start);
        if (end == std::string::npos) end = path.size();
        std::string part = path.substr(start, end - start);
        if (part == "..") {
            if (!parts.empty()) parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(std::move(part));
        }
        start = end + 1;
    }
    std::string out;
    for (const auto& p : parts) out += "/" + p;
    return out.empty() ? std::string("/") : out;
}

bool isPathInside(const std::string& path, const std::string& folder) {
    if (folder == "/") return path.size() > 1 && path[0] == '/';
    return path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0 && path[folder.size()] == '/';
}

}  // namespace BVFileIO
