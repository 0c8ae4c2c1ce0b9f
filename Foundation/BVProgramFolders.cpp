#include "Foundation/BVProgramFolders.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "Foundation/BVFileIO.h"

namespace {

bool isRealFolder(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// One rename that fails with EEXIST rather than replace what is at `to`.
int renameWithoutReplacing(const std::string& from, const std::string& to) {
    return ::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0 ? 0 : errno;
}

std::vector<std::string> childNames(const std::string& folder) {
    std::vector<std::string> names;
    DIR* d = ::opendir(folder.c_str());
    if (!d) return names;
    while (const dirent* e = ::readdir(d))
        if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0) names.emplace_back(e->d_name);
    ::closedir(d);
    return names;
}

std::string cannotMove(const BVPaths& paths, const BVProgramFolderMove& move, int error) {
    return "could not move " + paths.abbreviateHome(move.from) + " to " + paths.abbreviateHome(move.to) + ": " +
           std::strerror(error) + "; it stays where it is and is not used";
}

}  // namespace

namespace BVProgramFolders {

std::vector<BVProgramFolderMove> moves(const BVPaths& paths) {
    if (paths.layout() != BVLayout::linux) return {};
    return {{BVFileIO::appendPathComponent(*paths.userPreferences(), "com.quillon.Brenvik4.plist"), paths.userDefaultsFile()},
            {BVFileIO::appendPathComponent(*paths.userApplicationSupport(), "Brenvik X"), paths.programDataFolder()},
            {BVFileIO::appendPathComponent(*paths.userLogs(), "com.quillon.Brenvik4"), paths.logFolder()}};
}

BVProgramFolderReport moveToCurrentPlaces(const BVPaths& paths) {
    BVProgramFolderReport report;
    for (const auto& move : moves(paths)) {
        struct stat st {};
        if (::lstat(move.from.c_str(), &st) != 0) continue;  // nothing at the old place
        std::string parent = BVFileIO::parentPath(move.to);
        if (!BVFileIO::createDirectories(parent)) {
            report.problems.push_back(cannotMove(paths, move, errno));
            continue;
        }
        int error = renameWithoutReplacing(move.from, move.to);
        if (error == 0) {
            report.done.push_back("Moved " + move.from + " to " + move.to);
            continue;
        }
        if (error != EEXIST && error != ENOTEMPTY) {
            report.problems.push_back(cannotMove(paths, move, error));
            continue;
        }
        // Both places exist. Two folders are merged entry by entry, each entry moved only where
        // the new folder has none of its name; whatever stays keeps the old folder.
        if (!isRealFolder(move.from) || !isRealFolder(move.to)) {
            report.done.push_back(move.from + " is left alone: " + move.to + " is in use");
            continue;
        }
        for (const auto& name : childNames(move.from)) {
            std::string from = BVFileIO::appendPathComponent(move.from, name), to = BVFileIO::appendPathComponent(move.to, name);
            int childError = renameWithoutReplacing(from, to);
            if (childError == 0) report.done.push_back("Moved " + from + " to " + to);
            else if (childError == EEXIST || childError == ENOTEMPTY) report.done.push_back(from + " is left alone: " + to + " is in use");
            else report.problems.push_back(cannotMove(paths, {from, to}, childError));
        }
        if (::rmdir(move.from.c_str()) == 0) report.done.push_back("Removed the empty folder " + move.from);
    }
    return report;
}

}  // namespace BVProgramFolders
