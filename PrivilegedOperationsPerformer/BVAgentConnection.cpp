#include "PrivilegedOperationsPerformer/BVAgentConnection.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <map>
#include <mutex>
#include <optional>
#include <thread>

#include "PrivilegedOperationsPerformer/BVAgentProtocol.h"

namespace {
std::atomic<uint64_t> nextConnectionIdentifier{1};

struct Pending {
    const BVAgentProtocol::RequestShape* shape;
    BVAgentConnection::ErrorHandler onError;
    BVAgentConnection::ReplyHandler reply;
};
}  // namespace

struct BVAgentConnection::Core {
    std::string socketPath;
    uint64_t identifier = nextConnectionIdentifier++;
    std::function<void()> interruptionHandler, invalidationHandler;
    BVPrivilegedOperationProgressPtr exported;

    std::mutex mutex;  // guards everything below
    int fd = -1;
    pid_t peer = 0;
    bool failed = false;
    std::optional<BVError> failure;  // why the connection failed, for requests sent afterwards
    bool released = false;
    uint64_t nextRequest = 1;
    std::map<uint64_t, Pending> pending;
    std::mutex writeMutex;

    // Fails every waiting request with `error`; answers whether any was waiting.
    bool failAll(const BVError& error) {
        std::map<uint64_t, Pending> failing;
        {
            std::lock_guard lock(mutex);
            failed = true;
            if (!failure) failure = error;
            failing.swap(pending);
        }
        for (auto& [id, p] : failing) finish(p, error);
        return !failing.empty();
    }

    static void finish(const Pending& p, const BVError& error) {
        if (p.onError) p.onError(error);
        if (p.reply) p.reply(BVAgentProtocol::failureReply(*p.shape, error));
    }

    void closeIfIdleLocked() {
        if (released && pending.empty() && fd >= 0) shutdown(fd, SHUT_RDWR);
    }

    void handle(const std::string& line) {
        BVError error;
        auto message = BVAgentProtocol::decodeAgentMessage(line, &error);
        using Type = BVAgentProtocol::AgentMessage::Type;
        if (!message || (message->type == Type::Failure && !message->identifier)) {
            // Either the agent speaks nonsense or it refused the connection: nothing more will come.
            if (message) error = message->error;
            // An agent that serves another user is as unusable as one that cannot be reached;
            // the performer is marked before any waiter learns of the failure.
            if (message && error.domain() == BVPrivilegedAgentErrorDomain &&
                error.code() == BVPrivilegedAgentErrorNotPermitted && invalidationHandler)
                invalidationHandler();
            failAll(error);
            std::lock_guard lock(mutex);
            if (fd >= 0) shutdown(fd, SHUT_RDWR);
            return;
        }
        if (message->type == Type::Output) {
            if (exported) exported->receiveNewOutput(message->output);
            return;
        }
        Pending p;
        {
            std::lock_guard lock(mutex);
            auto it = pending.find(*message->identifier);
            if (it == pending.end()) return;
            p = std::move(it->second);
            pending.erase(it);
            closeIfIdleLocked();
        }
        if (message->type == Type::Failure) {
            if (p.reply) p.reply(BVAgentProtocol::failureReply(*p.shape, message->error));
        } else if (!BVAgentProtocol::matchesKinds(message->reply, p.shape->reply, false)) {
            if (p.reply)
                p.reply(BVAgentProtocol::failureReply(
                    *p.shape, BVAgentProtocol::makeError(BVPrivilegedAgentErrorMalformedMessage,
                                                         "The agent's reply to " + p.shape->name + " is malformed.")));
        } else if (p.reply) {
            p.reply(message->reply);
        }
    }

    static void read(std::shared_ptr<Core> core) {
        std::string buffer;
        char chunk[8192];
        int fd;
        {
            std::lock_guard lock(core->mutex);
            fd = core->fd;
        }
        for (;;) {
            ssize_t n = ::read(fd, chunk, sizeof chunk);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) break;
            buffer.append(chunk, size_t(n));
            size_t start = 0, newline;
            while ((newline = buffer.find('\n', start)) != std::string::npos) {
                core->handle(buffer.substr(start, newline - start));
                start = newline + 1;
            }
            buffer.erase(0, start);
            if (buffer.size() > BVAgentProtocol::kMaximumMessageBytes) {
                core->handle(buffer);  // answers the size error and ends the connection
                buffer.clear();
            }
        }
        bool wasReleased;
        {
            std::lock_guard lock(core->mutex);
            wasReleased = core->released && core->pending.empty();
        }
        bool waited = core->failAll(BVAgentProtocol::makeError(
            BVPrivilegedAgentErrorConnection, "The connection to the privileged agent was interrupted."));
        if ((waited || !wasReleased) && core->interruptionHandler) core->interruptionHandler();
        // Writers check the descriptor under the write lock, so it is never reused under them.
        std::lock_guard writing(core->writeMutex);
        std::lock_guard lock(core->mutex);
        ::close(core->fd);
        core->fd = -1;
    }
};

BVAgentConnection::BVAgentConnection(std::string socketPath) : core_(std::make_shared<Core>()) {
    core_->socketPath = std::move(socketPath);
}

BVAgentConnection::~BVAgentConnection() {
    std::lock_guard lock(core_->mutex);
    core_->released = true;
    core_->closeIfIdleLocked();
}

void BVAgentConnection::setInterruptionHandler(std::function<void()> handler) { core_->interruptionHandler = std::move(handler); }
void BVAgentConnection::setInvalidationHandler(std::function<void()> handler) { core_->invalidationHandler = std::move(handler); }
void BVAgentConnection::setExportedObject(BVPrivilegedOperationProgressPtr object) { core_->exported = std::move(object); }

void BVAgentConnection::resume() {
    int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    bool ok = fd >= 0 && core_->socketPath.size() < sizeof address.sun_path;
    if (ok) {
        std::memcpy(address.sun_path, core_->socketPath.c_str(), core_->socketPath.size() + 1);
        ok = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    }
    if (!ok) {
        if (fd >= 0) ::close(fd);
        {
            std::lock_guard lock(core_->mutex);
            core_->failed = true;
        }
        if (core_->invalidationHandler) core_->invalidationHandler();
        return;
    }
    ucred credentials{};
    socklen_t length = sizeof credentials;
    {
        std::lock_guard lock(core_->mutex);
        core_->fd = fd;
        if (getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &credentials, &length) == 0) core_->peer = credentials.pid;
    }
    std::thread(&Core::read, core_).detach();
}

void BVAgentConnection::send(const std::string& request, BVArray arguments, ErrorHandler onError, ReplyHandler reply) {
    const auto* shape = BVAgentProtocol::requestNamed(request);
    if (!shape) return;  // the proxy only sends requests of the table
    if (!BVAgentProtocol::matchesKinds(arguments, shape->arguments, true)) {
        // Never send a text the agent would read differently (invalid UTF-8, NUL bytes).
        if (reply)
            reply(BVAgentProtocol::failureReply(
                *shape, BVAgentProtocol::makeError(BVPrivilegedAgentErrorMalformedMessage,
                                                   "The arguments of " + request + " cannot be sent to the agent.")));
        return;
    }
    BVAgentProtocol::Request message{0, request, std::move(arguments), core_->exported != nullptr};
    BVError error = BVAgentProtocol::makeError(BVPrivilegedAgentErrorConnection,
                                               "The privileged agent cannot be reached.");
    {
        std::lock_guard lock(core_->mutex);
        if (!core_->failed && core_->fd >= 0) {
            message.identifier = core_->nextRequest++;
            if (!shape->reply.empty()) core_->pending[message.identifier] = Pending{shape, onError, reply};
        } else if (core_->failure) {
            error = *core_->failure;  // the agent said why before the request was sent
        }
    }
    if (message.identifier == 0) {
        Core::finish(Pending{shape, onError, reply}, error);
        return;
    }
    std::string line = BVAgentProtocol::encodeRequest(message);
    bool written = true;
    {
        std::lock_guard writing(core_->writeMutex);
        int fd;
        {
            std::lock_guard lock(core_->mutex);
            fd = core_->fd;
        }
        size_t done = 0;
        if (fd < 0) written = false;
        while (written && done < line.size()) {
            ssize_t n = ::send(fd, line.data() + done, line.size() - done, MSG_NOSIGNAL);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) {
                written = false;
                break;
            }
            done += size_t(n);
        }
    }
    if (written) return;
    // The agent has closed its side; the reader still reads what it said before (a refusal, a
    // failure) and then fails what is still waiting, so the request is not failed here.
    if (shape->reply.empty() && onError) onError(error);
}

pid_t BVAgentConnection::processIdentifier() const {
    std::lock_guard lock(core_->mutex);
    return core_->fd >= 0 ? core_->peer : 0;
}

uint64_t BVAgentConnection::identifier() const { return core_->identifier; }
