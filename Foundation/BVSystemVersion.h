// BVSystemVersion: the running operating system's major, minor and patch version as the
// engine's rules understand them. On the macos layout of this host, and on the linux layout,
// it answers a current release (14.0) unless set: tests set it to exercise rules that depend on
// the version. Safe from any thread.
#pragma once

struct BVSystemVersion {
    int majorVersion = 14;
    int minorVersion = 0;
    int patchVersion = 0;

    static BVSystemVersion current();
    static void setCurrent(const BVSystemVersion& version);
    static void resetCurrent();
};
