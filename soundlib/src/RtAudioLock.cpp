#include "RtAudioLock.h"

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace soundlib {

namespace {

constexpr auto kWaitLimit = std::chrono::seconds(3);

struct Gate {
    std::mutex mutex;
    std::condition_variable freed;
    bool busy = false;
};

Gate& gate() {
    static Gate instance;
    return instance;
}

} // namespace

RtAudioLock::RtAudioLock() {
    Gate& g = gate();
    std::unique_lock lock(g.mutex);
    if (g.freed.wait_for(lock, kWaitLimit, [&] { return !g.busy; })) {
        g.busy = true;
        owned_ = true;
    }
}

RtAudioLock::~RtAudioLock() {
    if (!owned_)
        return;
    Gate& g = gate();
    {
        std::lock_guard lock(g.mutex);
        g.busy = false;
    }
    g.freed.notify_one();
}

} // namespace soundlib
