// The few socket calls the stand-in tax authority makes, apart from TLS:
// listening on the loopback, accepting, waiting for bytes, closing.
#pragma once

#include <optional>
#include <string>

namespace qv::sefazsim::detail {

struct Listener {
    int socket = -1;
    int port = 0; // the port the system gave, when 0 was asked
};

// Listens on 127.0.0.1:`port` (0: any free port).
std::optional<Listener> listen_on_loopback(int port, std::string* error);
// A connection accepted within `milliseconds`; -1 when none came. The
// connection's reads and writes give up after `io_seconds` without progress.
int accept_within(int listener, int milliseconds, int io_seconds);
// True when `socket` has bytes to read, or its peer closed it, within
// `milliseconds`.
bool readable_within(int socket, int milliseconds);
void close_socket(int socket);
// A write to a connection the peer closed fails instead of ending the process.
void ignore_broken_pipes();

} // namespace qv::sefazsim::detail
