#include "platform/InstanceForwarder.h"

#include "platform/InstanceMessage.h"

#include <cerrno>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

namespace quorvane::InstanceForwarder {
namespace {

using Clock = std::chrono::steady_clock;
constexpr auto retryPause = std::chrono::milliseconds(10);

class Socket {
public:
    // Non-blocking: a program that stopped answering (or a full queue) must not hang us.
    Socket() : fd_(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0)) {}
    ~Socket() {
        if (fd_ >= 0) ::close(fd_);
    }
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;
    int fd() const { return fd_; }

private:
    int fd_;
};

enum class Attempt { delivered, unanswered, retry, fatal };

int remainingMs(Clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? int(left) : 0;
}

// Waits until `fd` is ready for `events` or the deadline passes.
bool waitFor(int fd, short events, Clock::time_point deadline) {
    for (;;) {
        pollfd wait{fd, events, 0};
        const int ready = ::poll(&wait, 1, remainingMs(deadline));
        if (ready < 0 && errno == EINTR) continue;
        return ready > 0;
    }
}

enum class Sent { all, closed, stalled };

Sent sendAll(int fd, const QByteArray& message, Clock::time_point deadline) {
    const char* data = message.constData();
    std::size_t left = std::size_t(message.size());
    while (left > 0) {
        const ssize_t sent = ::send(fd, data, left, MSG_NOSIGNAL);
        if (sent < 0 && errno == EINTR) continue;
        if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            if (!waitFor(fd, POLLOUT, deadline)) return Sent::stalled;
            continue;
        }
        if (sent <= 0) return Sent::closed;
        data += sent;
        left -= std::size_t(sent);
    }
    return Sent::all;
}

Attempt attempt(const sockaddr_un& address, const QByteArray& message, std::chrono::milliseconds answerWithin,
                std::string& problem) {
    Socket socket;
    if (socket.fd() < 0) {
        problem = std::string("cannot make a socket: ") + std::strerror(errno);
        return Attempt::fatal;
    }
    int result;
    do
        result = ::connect(socket.fd(), reinterpret_cast<const sockaddr*>(&address), sizeof address);
    while (result != 0 && errno == EINTR);
    if (result != 0) {
        problem = std::string("cannot reach it: ") + std::strerror(errno);
        // Not listening yet, or its queue is full.
        return errno == ENOENT || errno == ECONNREFUSED || errno == EAGAIN ? Attempt::retry : Attempt::fatal;
    }
    ucred peer{};
    socklen_t length = sizeof peer;
    if (::getsockopt(socket.fd(), SOL_SOCKET, SO_PEERCRED, &peer, &length) != 0 || peer.uid != ::getuid()) {
        problem = "its socket belongs to another user";
        return Attempt::fatal;
    }
    const Clock::time_point deadline = Clock::now() + answerWithin;
    switch (sendAll(socket.fd(), message, deadline)) {
    case Sent::all:
        break;
    case Sent::closed:
        problem = "it closed the connection";
        return Attempt::retry;
    case Sent::stalled:
        problem = "it did not answer in time";
        return Attempt::unanswered;
    }
    for (;;) {
        if (!waitFor(socket.fd(), POLLIN, deadline)) {
            problem = "it did not answer in time";
            return Attempt::unanswered;
        }
        char answer = 0;
        const ssize_t got = ::recv(socket.fd(), &answer, 1, 0);
        if (got < 0 && (errno == EINTR || errno == EAGAIN)) continue;
        if (got == 1 && answer == InstanceMessage::accepted) return Attempt::delivered;
        problem = "it closed the connection";
        return Attempt::retry;
    }
}

} // namespace

Answer forward(const std::filesystem::path& socket, const QByteArray& message,
               std::chrono::milliseconds connectFor, std::chrono::milliseconds answerWithin) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string& path = socket.native();
    if (path.size() >= sizeof address.sun_path) return {Outcome::failed, "the socket path " + path + " is too long"};
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);

    const Clock::time_point deadline = Clock::now() + connectFor;
    std::string problem;
    for (;;) {
        switch (attempt(address, message, answerWithin, problem)) {
        case Attempt::delivered:
            return {Outcome::delivered, {}};
        case Attempt::unanswered:
            return {Outcome::unanswered, problem};
        case Attempt::fatal:
            return {Outcome::failed, problem};
        case Attempt::retry:
            break;
        }
        if (Clock::now() + retryPause >= deadline) return {Outcome::failed, problem};
        std::this_thread::sleep_for(retryPause);
    }
}

} // namespace quorvane::InstanceForwarder
