#include "WakeEvent.h"

#include <cerrno>
#include <cstdint>
#include <poll.h>
#include <sys/eventfd.h>
#include <system_error>
#include <unistd.h>

namespace soundlib {

WakeEvent::WakeEvent() : fd_(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {
    if (fd_ < 0) {
        throw std::system_error(errno, std::generic_category(), "eventfd");
    }
}

WakeEvent::~WakeEvent() {
    ::close(fd_);
}

void WakeEvent::signal() noexcept {
    // Non-blocking: a full counter (never reached) would only mean the sleeper is due anyway.
    const uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = ::write(fd_, &one, sizeof one);
}

void WakeEvent::wait() noexcept {
    pollfd watched{fd_, POLLIN, 0};
    while (::poll(&watched, 1, -1) < 0 && errno == EINTR) {
    }
    uint64_t count = 0;
    [[maybe_unused]] const ssize_t got = ::read(fd_, &count, sizeof count);
}

} // namespace soundlib
