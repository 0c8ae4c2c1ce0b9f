// BVJSONReader: reads and writes another application's JSON file (saved logins, profile
// preferences) as an ordered document, so that what is written back keeps every key, its order
// and its numbers as the application wrote them. Writing replaces the file whole: a new file
// beside it, flushed, then renamed over the old one, so the application never reads half a
// file. The file is reached through the safe layer (BVFileReplacement). Immutable; any thread.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include <nlohmann/json.hpp>

#include "Foundation/BVError.h"
#include "Foundation/BVPaths.h"

class BVJSONReader {
public:
    explicit BVJSONReader(std::shared_ptr<const BVPaths> paths) : paths_(std::move(paths)) {}

    // The parsed document, or none with the reason (a missing, unreadable or malformed file).
    std::optional<nlohmann::ordered_json> readJsonAtPath(const std::string& path, BVError* error) const;
    // Serialises with no indentation (`pretty`: four spaces) and replaces the file.
    bool writeJSON(const nlohmann::ordered_json& object, const std::string& path, BVError* error, bool pretty = false) const;

private:
    std::shared_ptr<const BVPaths> paths_;
};
