// BVAgentRequestHandler: answers one decoded request of the BVPrivilegedOperation table with
// its reply values. `pleaseTerminate` is the server's business and is not handled here.
// Safe from any thread; requests run concurrently.
#pragma once

#include <functional>
#include <memory>

#include "Agent/BVAgentFileOperations.h"
#include "Agent/BVAgentPathPolicy.h"
#include "Agent/BVAgentSystemOperations.h"
#include "Foundation/BVProgress.h"
#include "PrivilegedOperationsPerformer/BVAgentProtocol.h"

class BVAgentRequestHandler {
public:
    using Output = BVAgentSystemOperations::Output;

    BVAgentRequestHandler(std::shared_ptr<const BVPaths> paths, BVAgentSystemContext context);

    // `output` streams a tool's output to the client; `progress` is cancelled when the agent
    // is asked to terminate.
    BVArray handle(const BVAgentProtocol::Request& request, const BVProgressPtr& progress, const Output& output) const;

private:
    std::shared_ptr<const BVPaths> paths_;
    BVAgentPathPolicy policy_;
    BVAgentFileOperations files_;
    BVAgentSystemOperations system_;
};
