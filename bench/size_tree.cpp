// Prints the bytes QLFileSizer measures for a path, for whole-command timings against du.
// usage: bv-size-tree PATH [THREADS]
#include <cstdio>
#include <filesystem>
#include <cstdlib>

#include "Foundation/QLFileSizer.h"

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s PATH [THREADS]\n", argv[0]);
        return 2;
    }
    unsigned threads = argc > 2 ? unsigned(std::atoi(argv[2])) : 0;
    std::printf("%llu\n", (unsigned long long)QLFileSizer::itemSizeAtPath(std::filesystem::absolute(argv[1]), threads));
    return 0;
}
