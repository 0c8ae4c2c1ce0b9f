// BVFTSEntity: one entry met by a tree walk (BVFTSFileManager): its path, name, whether it is
// a folder, and its allocated size. A plain value.
#pragma once

#include <cstdint>
#include <string>

struct BVFTSEntity {
    std::string path;
    std::string name;
    bool isDirectory = false;
    uint64_t size = 0;
};
