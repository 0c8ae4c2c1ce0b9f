// BVMountedVolumes: the volumes mounted on this machine and the properties the trash scanners
// ask about (browsable, internal, local, read-only, hidden), behind an interface so that tests
// can describe volumes this host does not have. `defaultVolumes` reads the mount table of the
// running system (/proc/self/mountinfo); a file system reached over the network (NFS, SMB, SSH,
// WebDAV and the like) is not local. Implementations are safe from any thread.
#pragma once

#include <memory>
#include <string>
#include <vector>

struct BVVolume {
    std::string path;  // the mount point, absolute, without a trailing slash
    bool isBrowsable = true;
    bool isInternal = false;
    bool isLocal = true;
    bool isReadOnly = false;
    bool isHidden = false;
};

class BVMountedVolumes {
public:
    static std::shared_ptr<BVMountedVolumes> defaultVolumes();
    virtual ~BVMountedVolumes() = default;
    virtual std::vector<BVVolume> mountedVolumes() const = 0;
};

// Parses the text of a mountinfo file (exposed for tests of the parser).
std::vector<BVVolume> BVParseMountInfo(const std::string& text);
