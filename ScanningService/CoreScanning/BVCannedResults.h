// Canned scan results for the debug switch "DebugModeFakeScanningJSONResults": JSON files in
// "~/BRKX/Tasks" whose entities are built by class name through a registry. Module assemblies
// register their canned entity classes explicitly (no static initialisers). Safe from any
// thread; registration normally happens once at start-up.
#pragma once

#include <functional>
#include <map>
#include <mutex>
#include <string>

#include "ScanningService/CoreScanning/BVScanResult.h"

class BVCannedEntityRegistry {
public:
    using Factory = std::function<BVEntityPtr(const BVValue& dictionary)>;
    static BVCannedEntityRegistry& shared();

    void registerClass(const std::string& className, Factory factory);
    bool hasClass(const std::string& className) const;
    // Builds the entity named by the dictionary's "classname"; null when the class is unknown
    // or its factory declines the record.
    BVEntityPtr entityFromJSONDictionary(const BVValue& dictionary) const;

private:
    mutable std::mutex mutex_;
    std::map<std::string, Factory> factories_;
};

// The canned result named `name` ("~/BRKX/Tasks/<name>.json"), or null when there is none.
BVScanResultPtr brk_scanResultFromJSONIndentifier(const std::string& name);
// The canned result in the file at `path`, or null (logged) when it cannot be read or parsed.
BVScanResultPtr brk_scanResultFromJSONAtPath(const std::string& path);
// Drops every line whose trimmed text begins with "//".
std::string brk_stripCommentLines(const std::string& text);
