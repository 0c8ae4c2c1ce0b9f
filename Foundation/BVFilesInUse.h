// BVFilesInUse: files the host is using right now, named by device and inode (so a file is
// recognised whatever path reaches it). Two sources are real on linux: the backing files of
// attached loop devices (`SYSBLOCK/loop*/loop/backing_file`) and the files open in processes
// (`PROC/*/fd/*`). Processes whose descriptors the user may not read (other users') are not
// seen. Both read afresh on every call; stateless otherwise and safe from any thread.
#pragma once

#include <compare>
#include <cstdint>
#include <memory>
#include <set>
#include <string>

struct BVFileKey {
    uint64_t device = 0;
    uint64_t inode = 0;
    auto operator<=>(const BVFileKey&) const = default;
};

class BVFilesInUseSource {
public:
    virtual ~BVFilesInUseSource() = default;
    virtual std::set<BVFileKey> filesInUse() = 0;
};

using BVFilesInUseSourcePtr = std::shared_ptr<BVFilesInUseSource>;

class BVLoopBackingFiles final : public BVFilesInUseSource {
public:
    // `sysBlockFolder` is "/sys/block" (under a fixture's root in tests).
    explicit BVLoopBackingFiles(std::string sysBlockFolder) : folder_(std::move(sysBlockFolder)) {}
    std::set<BVFileKey> filesInUse() override;

private:
    std::string folder_;
};

class BVProcOpenFiles final : public BVFilesInUseSource {
public:
    explicit BVProcOpenFiles(std::string procRoot = "/proc") : procRoot_(std::move(procRoot)) {}
    std::set<BVFileKey> filesInUse() override;

private:
    std::string procRoot_;
};
