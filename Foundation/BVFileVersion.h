// BVFileVersion: one stored version of a document in the document-version store: when it was
// saved, where the store keeps it, and its size when the store knows it. This host has no such
// store; scanners get versions from an implementation handed to them (a fake in tests).
// Implementations say how they synchronise.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "Foundation/BVError.h"
#include "Foundation/BVObject.h"

class BVFileVersion : public BVObject {
public:
    // None when the store does not say when the version was saved.
    virtual std::optional<BVDate> modificationDate() const = 0;
    // The path of the stored version's file.
    virtual std::string URL() const = 0;
    // The version's own size, when the store gives one.
    virtual std::optional<uint64_t> size() const { return std::nullopt; }
    // Deletes the version from the store; false with the reason on failure.
    virtual bool removeAndReturnError(BVError* error) const = 0;
};

using BVFileVersionPtr = std::shared_ptr<const BVFileVersion>;
