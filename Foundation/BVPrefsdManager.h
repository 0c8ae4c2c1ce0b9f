// BVPrefsdManager: the preferences daemon, which caches other programs' preference files and
// must be restarted after one of them was deleted, or it writes it back. The macos layout has
// one ("cfprefsd", restarted by ending the user's instance; the system starts it again) and a
// defaults store whose domains are deleted with "/usr/bin/defaults"; the linux layout has
// neither, so there is nothing to restart and no domain to delete. A relaunch that was asked for
// happens once, when `relaunchIfNeeded` runs (or the manager goes). Safe from any thread.
#pragma once

#include <atomic>
#include <memory>

#include "Foundation/BVPaths.h"
#include "Foundation/BVTaskRunner.h"

class BVPrefsdManager {
public:
    virtual ~BVPrefsdManager() = default;
    virtual void setNeedsRelaunch(bool needsRelaunch) = 0;
    virtual bool needsRelaunch() const = 0;
    virtual void relaunchIfNeeded() = 0;
    // Whether the layout keeps preferences in defaults domains that "defaults delete" removes.
    virtual bool usesDefaultsDomains() const = 0;
};

using BVPrefsdManagerPtr = std::shared_ptr<BVPrefsdManager>;

class BVSystemPrefsdManager : public BVPrefsdManager {
public:
    BVSystemPrefsdManager(BVLayout layout, BVTaskRunnerPtr runner) : layout_(layout), runner_(std::move(runner)) {}
    ~BVSystemPrefsdManager() override { relaunchIfNeeded(); }
    void setNeedsRelaunch(bool needsRelaunch) override { needsRelaunch_ = needsRelaunch && layout_ == BVLayout::macos; }
    bool needsRelaunch() const override { return needsRelaunch_; }
    void relaunchIfNeeded() override;
    bool usesDefaultsDomains() const override { return layout_ == BVLayout::macos; }

private:
    BVLayout layout_;
    BVTaskRunnerPtr runner_;
    std::atomic<bool> needsRelaunch_{false};
};
