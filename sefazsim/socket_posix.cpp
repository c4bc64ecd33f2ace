#include "sefazsim/socket.h"

#include <arpa/inet.h>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

namespace qv::sefazsim::detail {

std::optional<Listener> listen_on_loopback(int port, std::string* error) {
    const int s = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (s < 0) {
        *error = std::strerror(errno);
        return std::nullopt;
    }
    const int on = 1;
    ::setsockopt(s, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (::bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(s, 16) != 0 ||
        ::getsockname(s, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        *error = std::strerror(errno);
        ::close(s);
        return std::nullopt;
    }
    return Listener{s, ntohs(address.sin_port)};
}

int accept_within(int listener, int milliseconds, int io_seconds) {
    if (!readable_within(listener, milliseconds)) return -1;
    const int s = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
    if (s < 0) return -1;
    timeval limit{};
    limit.tv_sec = io_seconds;
    ::setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    ::setsockopt(s, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
    return s;
}

bool readable_within(int socket, int milliseconds) {
    pollfd p{socket, POLLIN, 0};
    for (;;) {
        const int ready = ::poll(&p, 1, milliseconds);
        if (ready < 0 && errno == EINTR) continue;
        return ready > 0;
    }
}

void close_socket(int socket) {
    if (socket >= 0) ::close(socket);
}

void ignore_broken_pipes() {
    (void)std::signal(SIGPIPE, SIG_IGN);
}

} // namespace qv::sefazsim::detail
