// BVAgentServer: the agent's listening socket and its connections.
//
// It listens on a Unix domain socket; each accepted connection is checked against the uid
// recorded at install (peer credentials): another user gets a "not permitted" failure and is
// disconnected before anything it sent is read. Each connection has a reader thread; each
// request runs on a thread of its own, so `pleaseTerminate` is read while a long request runs.
// The number of connections and of requests per connection is bounded; a line longer than the
// message bound gets a failure and ends that connection; a malformed line gets a failure and the
// connection goes on. `terminate` stops accepting, cancels the running requests and lets them
// answer, then `run` returns. Safe from any thread.
#pragma once

#include <sys/types.h>

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <set>
#include <string>

#include "Agent/BVAgentRequestHandler.h"
#include "Foundation/BVComputableProgress.h"

class BVAgentServer {
public:
    static constexpr size_t kMaximumConnections = 16;
    static constexpr size_t kMaximumRequestsPerConnection = 4;

    BVAgentServer(std::string socketPath, uid_t allowedUid, std::shared_ptr<const BVAgentRequestHandler> handler);
    ~BVAgentServer();

    // Binds the socket (replacing a stale socket, never another kind of file).
    bool listen(BVError* error);
    // Serves until `terminate`; answers the process's exit status.
    int run();
    void terminate();

private:
    struct Session;
    void serve(const std::shared_ptr<Session>& session);
    void dispatch(const std::shared_ptr<Session>& session, BVAgentProtocol::Request request);

    std::string socketPath_;
    uid_t allowedUid_;
    std::shared_ptr<const BVAgentRequestHandler> handler_;
    int listener_ = -1;
    int wake_[2] = {-1, -1};
    std::atomic<bool> terminating_{false};
    std::shared_ptr<BVComputableProgress> cancellation_ = BVComputableProgress::create();
    std::mutex mutex_;
    std::condition_variable sessionEnded_;
    std::set<std::shared_ptr<Session>> sessions_;
};
