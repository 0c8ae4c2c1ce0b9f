// BVPhotos: access to the user's photo library. This host has no photo library; scanners are
// handed an implementation (a fake in tests) through their constructors. Implementations say
// how they synchronise; callers use one library from one scan at a time.
#pragma once

#include <memory>

#include "Foundation/BVError.h"

class BVPhotos {
public:
    virtual ~BVPhotos() = default;
    // Answers false, with the reason in `error`, when the library did not open in time.
    virtual bool openLibraryWithTimeout(double seconds, BVError* error) = 0;
    virtual void closeLibrary() = 0;
};

using BVPhotosPtr = std::shared_ptr<BVPhotos>;
