#include "Foundation/BVFilesInUse.h"

#include <dirent.h>
#include <sys/stat.h>

#include <cctype>
#include <functional>

#include "Foundation/BVFileIO.h"

namespace {

// The names in a folder that pass `accept`; none when it cannot be read.
void forEachEntry(const std::string& folder, const std::function<bool(const char*)>& accept,
                  const std::function<void(const std::string&)>& visit) {
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return;
    while (dirent* entry = ::readdir(dir))
        if (accept(entry->d_name)) visit(folder + "/" + entry->d_name);
    ::closedir(dir);
}

// The file `path` names, links followed (a descriptor's link leads to the open file itself).
void addKey(const std::string& path, std::set<BVFileKey>& keys) {
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)) keys.insert({uint64_t(st.st_dev), uint64_t(st.st_ino)});
}

}  // namespace

std::set<BVFileKey> BVLoopBackingFiles::filesInUse() {
    std::set<BVFileKey> keys;
    forEachEntry(
        folder_, [](const char* name) { return std::string_view(name).rfind("loop", 0) == 0; },
        [&](const std::string& device) {
            std::string text;
            if (!BVFileIO::readFile(device + "/loop/backing_file", text, 1u << 16)) return;
            while (!text.empty() && (text.back() == '\n' || text.back() == '\0')) text.pop_back();
            // A detached device has no backing file; a deleted one is named "... (deleted)" and
            // no longer reached by its path, which stat then refuses.
            if (!text.empty() && text[0] == '/') addKey(text, keys);
        });
    return keys;
}

std::set<BVFileKey> BVProcOpenFiles::filesInUse() {
    std::set<BVFileKey> keys;
    auto isNumber = [](const char* name) {
        if (!*name) return false;
        for (const char* c = name; *c; ++c)
            if (!std::isdigit(static_cast<unsigned char>(*c))) return false;
        return true;
    };
    forEachEntry(procRoot_, isNumber, [&](const std::string& process) {
        forEachEntry(process + "/fd", isNumber, [&](const std::string& descriptor) { addKey(descriptor, keys); });
    });
    return keys;
}
