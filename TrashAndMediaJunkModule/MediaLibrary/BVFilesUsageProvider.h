// BVFilesUsageProvider: the files a running program (named by its bundle identifier) holds
// open. The media player does not run on this host, so the standard provider names none; tests
// pass their own.
#pragma once

#include <memory>
#include <set>
#include <string>

class BVFilesUsageProvider {
public:
    virtual ~BVFilesUsageProvider() = default;
    virtual std::set<std::string> filesUsedByProcessBundleIdentifier(const std::string& bundleIdentifier) const = 0;
    static std::shared_ptr<const BVFilesUsageProvider> standard();
};
