// The record getdents64 fills in, for the folder walks that read folders without libc's
// buffering. Internal to Foundation.
#pragma once

#include <cstdint>

struct BVLinuxDirent64 {
    uint64_t d_ino;
    int64_t d_off;
    unsigned short d_reclen;
    unsigned char d_type;
    char d_name[];
};
