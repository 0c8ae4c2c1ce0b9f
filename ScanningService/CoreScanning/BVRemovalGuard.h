// BVRemovalGuard: what a clean promised the user, checked at the moment of each removal: the
// identity every listed path had when it was listed (so a path that now names something else
// is left alone), and the paths that must stay although they lie inside a removed item (the
// user's excludes and ignore entries). Built before the list is shown, then only read;
// safe from any thread once built.
#pragma once

#include <map>
#include <optional>
#include <string>

#include "Foundation/BVFileIdentity.h"
#include "Foundation/BVFileManager.h"
#include "Foundation/BVKeepRule.h"

class BVRemovalGuard {
public:
    BVRemovalGuard() = default;
    explicit BVRemovalGuard(BVKeepRule keep) : keep_(std::move(keep)) {}

    // Records the identity `path` has now; answers false (recording nothing) when nothing is there.
    bool recordIdentity(const std::string& path, const BVFileManager& fileManager);
    void setIdentity(const std::string& path, const BVFileIdentity& identity) { identities_[path] = identity; }
    std::optional<BVFileIdentity> identity(const std::string& path) const;

    const BVKeepRule& keepRule() const { return keep_; }

private:
    std::map<std::string, BVFileIdentity> identities_;
    BVKeepRule keep_;
};
