// BVAgentConnection: one client connection to the privileged agent's Unix domain socket.
//
// `resume` connects and starts a reader thread. `send` writes one request; its reply handler
// runs exactly once: with the agent's reply (checked against the request's shape), or, when the
// connection fails first, with the request's failure reply after the error handler ran. A
// connection that could not be made fails every request at once, on the sending thread, and
// calls the invalidation handler once; a connection the agent drops while requests wait calls
// the interruption handler. Releasing the last reference closes the connection once no reply
// is awaited, so `proxy()->request(...)` on a temporary still gets its reply.
// All operations are safe from any thread; handlers run on the reader thread unless noted.
#pragma once

#include <sys/types.h>

#include <functional>
#include <memory>
#include <string>

#include "Foundation/BVValue.h"
#include "PrivilegedOperationsPerformer/BVPrivilegedOperation.h"

class BVAgentConnection {
public:
    using ErrorHandler = std::function<void(const BVError&)>;
    using ReplyHandler = std::function<void(const BVArray&)>;

    explicit BVAgentConnection(std::string socketPath);
    ~BVAgentConnection();
    BVAgentConnection(const BVAgentConnection&) = delete;
    BVAgentConnection& operator=(const BVAgentConnection&) = delete;

    // Set before `resume`.
    void setInterruptionHandler(std::function<void()> handler);
    void setInvalidationHandler(std::function<void()> handler);
    void setExportedObject(BVPrivilegedOperationProgressPtr object);
    void resume();

    // `onError` runs when the connection fails before the reply came; `reply` may be empty for
    // a request without a reply.
    void send(const std::string& request, BVArray arguments, ErrorHandler onError, ReplyHandler reply);

    // The agent's process identifier, 0 when not connected.
    pid_t processIdentifier() const;
    // A number naming this connection in notifications.
    uint64_t identifier() const;

private:
    struct Core;
    std::shared_ptr<Core> core_;
};

using BVAgentConnectionPtr = std::shared_ptr<BVAgentConnection>;
