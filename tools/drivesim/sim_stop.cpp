#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include "tools/drivesim/sim_links.h"

namespace torvex::sim {

StopSignal::StopSignal() {
    if (pipe2(pipe_, O_CLOEXEC | O_NONBLOCK) != 0) pipe_[0] = pipe_[1] = -1;
}

StopSignal::~StopSignal() {
    for (int fd : pipe_) {
        if (fd >= 0) close(fd);
    }
}

void StopSignal::raise() {
    if (raised_.exchange(true)) return;
    const char byte = 1;
    // The byte stays in the pipe, so every later poll on fd() wakes at once.
    if (write(pipe_[1], &byte, 1) < 0) {
    }
}

bool StopSignal::sleep(int milliseconds) const {
    pollfd entry{pipe_[0], POLLIN, 0};
    poll(&entry, 1, milliseconds);
    return !raised();
}

bool writeAll(int fd, const uint8_t* data, size_t size, const StopSignal& stop) {
    while (size > 0) {
        ssize_t written = ::send(fd, data, size, MSG_NOSIGNAL);
        if (written < 0 && errno == ENOTSOCK) written = ::write(fd, data, size);
        if (written > 0) {
            data += written;
            size -= size_t(written);
            continue;
        }
        if (written < 0 && errno == EINTR) continue;
        if (written < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            pollfd entries[2] = {{fd, POLLOUT, 0}, {stop.fd(), POLLIN, 0}};
            poll(entries, 2, -1);
            if (stop.raised()) return false;
            continue;
        }
        return false;
    }
    return true;
}

}  // namespace torvex::sim
