// Preloaded into a program (LD_PRELOAD), notes every file descriptor that reaches it on one of
// its X connections: a line "descriptors N" in the file named by QUORVANE_DESCRIPTOR_LOG.
// libxcb reads all it receives through recvmsg.

#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

using Recvmsg = ssize_t (*)(int, msghdr*, int);

bool isXConnection(int socket) {
    sockaddr_un peer{};
    socklen_t length = sizeof peer;
    if (::getpeername(socket, reinterpret_cast<sockaddr*>(&peer), &length) != 0 || peer.sun_family != AF_UNIX)
        return false;
    // Abstract names start with a zero byte.
    const std::size_t size =
        length > offsetof(sockaddr_un, sun_path) ? length - offsetof(sockaddr_un, sun_path) : 0;
    return memmem(peer.sun_path, size, ".X11-unix/X", 11) != nullptr;
}

void note(int descriptors) {
    const char* path = std::getenv("QUORVANE_DESCRIPTOR_LOG");
    if (path == nullptr) return;
    const int log = ::open(path, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    if (log < 0) return;
    char line[32];
    const int length = std::snprintf(line, sizeof line, "descriptors %d\n", descriptors);
    (void)!::write(log, line, static_cast<std::size_t>(length));
    ::close(log);
}

} // namespace

extern "C" ssize_t recvmsg(int socket, msghdr* message, int flags) {
    static const auto next = reinterpret_cast<Recvmsg>(::dlsym(RTLD_NEXT, "recvmsg"));
    const ssize_t received = next(socket, message, flags);
    if (received <= 0 || message->msg_controllen == 0) return received;
    int descriptors = 0;
    for (cmsghdr* control = CMSG_FIRSTHDR(message); control != nullptr;
         control = CMSG_NXTHDR(message, control))
        if (control->cmsg_level == SOL_SOCKET && control->cmsg_type == SCM_RIGHTS)
            descriptors += static_cast<int>((control->cmsg_len - CMSG_LEN(0)) / sizeof(int));
    if (descriptors > 0 && isXConnection(socket)) note(descriptors);
    return received;
}
