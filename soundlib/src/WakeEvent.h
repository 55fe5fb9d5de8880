// A wake-up that one thread sleeps on and any thread gives without ever waiting: an eventfd.
// Giving it is one non-blocking write, so the mixer may give it; a wake given before the
// sleeper sleeps is kept, so none is lost.
#pragma once

namespace soundlib {

class WakeEvent {
public:
    // Throws std::system_error when the process has no file descriptor left.
    WakeEvent();
    ~WakeEvent();
    WakeEvent(const WakeEvent&) = delete;
    WakeEvent& operator=(const WakeEvent&) = delete;

    // Wait-free: never blocks, never allocates.
    void signal() noexcept;
    // Sleeps until signal() was called since the last wait() returned, then clears it.
    void wait() noexcept;

private:
    int fd_;
};

} // namespace soundlib
