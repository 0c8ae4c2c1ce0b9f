#include "Foundation/BVMountedVolumes.h"

#include <set>
#include <sstream>

#include "Foundation/BVFileIO.h"

namespace {

// Mount points write space, tab, newline and backslash as octal escapes ("\040").
std::string unescape(const std::string& field) {
    std::string out;
    for (size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size()) {
            std::string octal = field.substr(i + 1, 3);
            if (octal.find_first_not_of("01234567") == std::string::npos) {
                out += char(std::stoi(octal, nullptr, 8));
                i += 3;
                continue;
            }
        }
        out += field[i];
    }
    return out;
}

bool isNetworkFileSystem(const std::string& type) {
    static const std::set<std::string> network = {"nfs", "nfs4", "cifs", "smb3", "smbfs", "ncpfs", "afs", "9p",
                                                  "ceph", "glusterfs", "fuse.sshfs", "sshfs", "davfs", "fuse.davfs2",
                                                  "fuse.rclone", "fuse.s3fs", "lustre", "gfs2", "ocfs2"};
    return network.count(type) > 0;
}

class ProcMountedVolumes final : public BVMountedVolumes {
public:
    std::vector<BVVolume> mountedVolumes() const override {
        std::string text;
        if (!BVFileIO::readFile("/proc/self/mountinfo", text, 16u << 20)) return {};
        return BVParseMountInfo(text);
    }
};

}  // namespace

std::shared_ptr<BVMountedVolumes> BVMountedVolumes::defaultVolumes() {
    return std::make_shared<ProcMountedVolumes>();
}

std::vector<BVVolume> BVParseMountInfo(const std::string& text) {
    std::vector<BVVolume> volumes;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        // id parent major:minor root mount-point options [optional fields...] - type source super-options
        std::istringstream fields(line);
        std::vector<std::string> f;
        for (std::string field; fields >> field;) f.push_back(field);
        size_t dash = 0;
        for (size_t i = 6; i < f.size(); ++i)
            if (f[i] == "-") {
                dash = i;
                break;
            }
        if (f.size() < 7 || dash == 0 || dash + 1 >= f.size()) continue;
        BVVolume v;
        v.path = unescape(f[4]);
        std::string options = "," + f[5] + ",", super = dash + 3 < f.size() ? "," + f[dash + 3] + "," : ",";
        v.isReadOnly = options.find(",ro,") != std::string::npos || super.find(",ro,") != std::string::npos;
        v.isLocal = !isNetworkFileSystem(f[dash + 1]);
        volumes.push_back(std::move(v));
    }
    return volumes;
}
