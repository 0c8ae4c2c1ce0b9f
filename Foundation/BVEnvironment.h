// BVEnvironment: the services one run of the engine works with. Whoever runs the engine makes
// it once (the command line from its options, a test over its fixtures and fakes) and hands it
// to module factories, which hand its members to their tasks and entities through their
// constructors; nothing below reaches for a process-wide instance while it has one. Making the
// real one, and the per-scanner knowledge-base handles, is BVEnvironmentServices' work (in the
// scanning service, which knows every service's type).
//
// `brkHumanFriendlyDelaysDisabled` is also the process-wide switch of code that is handed no
// environment: the command line turns the minimum durations meant for a watching user off, and
// "BRENVIK_HUMAN_FRIENDLY_DELAYS_DISABLED=1" does the same for any caller.
//
// Immutable once made (hold it as `const`); safe from any thread.
#pragma once

#include <memory>

class BVPaths;
class BVFileManager;
class BVUserDefaults;
class BVClock;
class BVWorkspace;
class BVMountedVolumes;
class BVPrivilegedOperationsPerformer;
class BVKnowledgeBase;
class BVFileRemover;

struct BVEnvironment {
    std::shared_ptr<const BVPaths> paths;
    std::shared_ptr<BVFileManager> fileManager;
    std::shared_ptr<BVUserDefaults> defaults;
    std::shared_ptr<const BVClock> clock;
    // The running applications of this session.
    std::shared_ptr<BVWorkspace> workspace;
    std::shared_ptr<BVMountedVolumes> volumes;
    // The client of the privileged agent.
    std::shared_ptr<BVPrivilegedOperationsPerformer> performer;
    std::shared_ptr<BVKnowledgeBase> knowledgeBase;
    std::shared_ptr<BVFileRemover> remover;
    bool humanFriendlyDelaysDisabled = false;

    static bool brkHumanFriendlyDelaysDisabled();
    static void setBrkHumanFriendlyDelaysDisabled(bool disabled);
};

using BVEnvironmentPtr = std::shared_ptr<const BVEnvironment>;
