// The POSIX implementation of BVTaskRunner (posix_spawn, pipes, poll, pidfd). Stateless.
#pragma once

#include "Foundation/BVTaskRunner.h"

class BVPOSIXTaskRunner : public BVTaskRunner {
public:
    BVTaskOutcome run(const BVTaskRequest& request) override;
};
