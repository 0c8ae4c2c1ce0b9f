// The review window's pages (App/UI/pages/), compiled into the program at build time, so that
// the window needs nothing from the network or the disk.
#pragma once

#include <string_view>

struct BVUIAsset {
    const char* name;  // "index.html", "app.js"
    const char* type;  // its Content-Type
    std::string_view body;
};

// None for a name the program does not have.
const BVUIAsset* BVUIAssetNamed(std::string_view name);
