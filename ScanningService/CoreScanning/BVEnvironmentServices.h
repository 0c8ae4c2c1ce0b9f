// The real environment, and what it hands out. `make` is what the command line calls once with
// the paths of the run; `standard` is the process-wide instances, for code that is handed no
// environment (it is made once, on first use, from the shared paths). Safe from any thread.
#pragma once

#include "Foundation/BVEnvironment.h"
#include "KnowledgeBase/BVKnowledgeBaseWrapper.h"

namespace BVEnvironmentServices {

// The POSIX services for `paths`: the safe file manager, the defaults file of that home, the
// system clock, the /proc workspace knowing the knowledge base's applications, the mount table,
// the knowledge base of those paths (its databases open on first use), the system's privileged
// performer (none when authorisation cannot be created), and a file remover on them.
std::shared_ptr<BVEnvironment> make(std::shared_ptr<const BVPaths> paths);

BVEnvironmentPtr standard();

// A handle on the environment's knowledge base for one scanner, with its default scope.
std::shared_ptr<BVKnowledgeBaseWrapper> knowledgeBase(const BVEnvironment& environment, BVScannerIdentifier scanner);

}  // namespace BVEnvironmentServices
