// BVFileVersion: one stored version of a document in the document-version store. This host
// has no such store; scanners get versions from an implementation handed to them (a fake in
// tests). Implementations say how they synchronise.
#pragma once

#include "Foundation/BVError.h"
#include "Foundation/BVObject.h"

class BVFileVersion : public BVObject {
public:
    // Deletes the version from the store; false with the reason on failure.
    virtual bool removeAndReturnError(BVError* error) const = 0;
};
