// Deletes a tree with the file manager's removal, for whole-command timings against rm -rf.
// usage: bv-remove-tree PATH
#include <cstdio>
#include <filesystem>

#include "Foundation/BVFileManager.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s PATH\n", argv[0]);
        return 2;
    }
    BVError error;
    if (!BVFileManager::defaultManager()->removeFileAtPath(std::filesystem::absolute(argv[1]), &error)) {
        std::fprintf(stderr, "%s\n", error.localizedDescription().c_str());
        return 1;
    }
    return 0;
}
