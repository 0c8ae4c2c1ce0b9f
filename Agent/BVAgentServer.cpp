#include "Agent/BVAgentServer.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <thread>

#include "Foundation/BVFileIO.h"
#include "Foundation/BVLogger.h"

using namespace BVAgentProtocol;

struct BVAgentServer::Session {
    int fd = -1;
    std::mutex writeMutex;
    std::mutex mutex;
    std::condition_variable finished;
    size_t running = 0;

    void write(const std::string& line) {
        std::lock_guard lock(writeMutex);
        size_t done = 0;
        while (done < line.size()) {
            ssize_t n = ::send(fd, line.data() + done, line.size() - done, MSG_NOSIGNAL);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) return;  // the client went away or stopped reading
            done += size_t(n);
        }
    }
};

BVAgentServer::BVAgentServer(std::string socketPath, uid_t allowedUid, std::shared_ptr<const BVAgentRequestHandler> handler)
    : socketPath_(std::move(socketPath)), allowedUid_(allowedUid), handler_(std::move(handler)) {}

BVAgentServer::~BVAgentServer() {
    if (listener_ >= 0) ::close(listener_);
    for (int fd : wake_)
        if (fd >= 0) ::close(fd);
}

bool BVAgentServer::listen(BVError* error) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (socketPath_.size() >= sizeof address.sun_path) {
        BVSetError(error, BVError::fromErrno(ENAMETOOLONG, socketPath_));
        return false;
    }
    std::string reason;
    if (!BVFileIO::createDirectories(BVFileIO::parentPath(socketPath_), &reason)) {
        BVSetError(error, BVError::withDescription(BVPOSIXErrorDomain, EIO, reason));
        return false;
    }
    struct stat st;
    if (::lstat(socketPath_.c_str(), &st) == 0) {
        if (!S_ISSOCK(st.st_mode)) {
            BVSetError(error, BVError::fromErrno(EEXIST, socketPath_));
            return false;
        }
        ::unlink(socketPath_.c_str());
    }
    std::memcpy(address.sun_path, socketPath_.c_str(), socketPath_.size() + 1);
    listener_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (listener_ < 0 || ::pipe2(wake_, O_CLOEXEC) != 0 ||
        ::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        // Anyone may connect; who is served is decided by the peer credentials.
        ::chmod(socketPath_.c_str(), 0666) != 0 || ::listen(listener_, 16) != 0) {
        BVSetError(error, BVError::fromErrno(errno, socketPath_));
        return false;
    }
    return true;
}

void BVAgentServer::terminate() {
    if (terminating_.exchange(true)) return;
    cancellation_->cancel();
    char byte = 1;
    (void)!::write(wake_[1], &byte, 1);
    std::lock_guard lock(mutex_);
    // Stop reading; running requests still write their replies.
    for (const auto& s : sessions_) ::shutdown(s->fd, SHUT_RD);
}

int BVAgentServer::run() {
    while (!terminating_) {
        pollfd fds[2] = {{listener_, POLLIN, 0}, {wake_[0], POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR) continue;
            break;
        }
        if (terminating_) break;
        if (!(fds[0].revents & POLLIN)) continue;
        int fd = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) continue;
        ucred peer{};
        socklen_t length = sizeof peer;
        auto session = std::make_shared<Session>();
        session->fd = fd;
        timeval sendLimit{10, 0};  // a client that stops reading cannot hold a request forever
        ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &sendLimit, sizeof sendLimit);
        if (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &length) != 0 || peer.uid != allowedUid_) {
            BVLogger::warning(fmt::format("Refused a connection from uid {}", peer.uid));
            session->write(encodeFailure(std::nullopt, makeError(BVPrivilegedAgentErrorNotPermitted,
                                                                 "The privileged agent serves another user.")));
            ::close(fd);
            continue;
        }
        std::lock_guard lock(mutex_);
        if (sessions_.size() >= kMaximumConnections) {
            session->write(encodeFailure(std::nullopt, makeError(BVPrivilegedAgentErrorBusy, "The privileged agent is busy.")));
            ::close(fd);
            continue;
        }
        sessions_.insert(session);
        std::thread([this, session] { serve(session); }).detach();
    }
    {
        std::unique_lock lock(mutex_);
        sessionEnded_.wait(lock, [&] { return sessions_.empty(); });
    }
    ::unlink(socketPath_.c_str());
    return 0;
}

void BVAgentServer::serve(const std::shared_ptr<Session>& session) {
    std::string buffer;
    char chunk[8192];
    bool open = true;
    while (open) {
        ssize_t n = ::read(session->fd, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        buffer.append(chunk, size_t(n));
        size_t start = 0, newline;
        bool tooLarge = false;
        while (open && (newline = buffer.find('\n', start)) != std::string::npos) {
            std::string line = buffer.substr(start, newline - start);
            start = newline + 1;
            if (line.size() > kMaximumMessageBytes) {
                tooLarge = true;  // answered below, like an endless line
                break;
            }
            BVError error;
            std::optional<uint64_t> identifier;
            auto request = decodeRequest(line, &error, &identifier);
            if (!request) session->write(encodeFailure(identifier, error));
            else if (request->name == "pleaseTerminate") terminate(), open = false;
            else dispatch(session, std::move(*request));
        }
        buffer.erase(0, start);
        if (tooLarge || buffer.size() > kMaximumMessageBytes) {
            // A peer that sends more than the bound without a newline cannot be resynchronised.
            session->write(encodeFailure(std::nullopt, makeError(BVPrivilegedAgentErrorMessageTooLarge,
                                                                 "The message is larger than the agent accepts.")));
            break;
        }
    }
    {
        std::unique_lock lock(session->mutex);
        session->finished.wait(lock, [&] { return session->running == 0; });
    }
    std::lock_guard lock(mutex_);
    sessions_.erase(session);
    ::close(session->fd);  // under the lock, so `terminate` never shuts a reused descriptor
    sessionEnded_.notify_all();
}

void BVAgentServer::dispatch(const std::shared_ptr<Session>& session, BVAgentProtocol::Request request) {
    {
        std::lock_guard lock(session->mutex);
        if (session->running >= kMaximumRequestsPerConnection) {
            session->write(encodeFailure(request.identifier,
                                         makeError(BVPrivilegedAgentErrorBusy, "Too many requests on one connection.")));
            return;
        }
        ++session->running;
    }
    std::thread([this, session, request = std::move(request)] {
        auto output = [&](const std::string& text) {
            if (request.wantsOutput) session->write(encodeOutput(request.identifier, text));
        };
        BVArray reply = handler_->handle(request, cancellation_, output);
        session->write(encodeReply(request.identifier, reply));
        std::lock_guard lock(session->mutex);
        --session->running;
        session->finished.notify_all();
    }).detach();
}
