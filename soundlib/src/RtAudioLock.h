// Serialises RtAudio device queries and stream opens across the process.
#pragma once

namespace soundlib {

// RtAudio keeps process-wide state for some APIs (the PulseAudio device list), so only one
// RtAudio query or stream open runs at a time. Waiting is bounded: a query stuck in a wedged
// sound server must not hang every later caller, who gets owned() == false instead.
// (A condition variable rather than std::timed_mutex, which ThreadSanitizer misreads.)
class RtAudioLock {
public:
    RtAudioLock();
    ~RtAudioLock();
    RtAudioLock(const RtAudioLock&) = delete;
    RtAudioLock& operator=(const RtAudioLock&) = delete;

    bool owned() const { return owned_; }

private:
    bool owned_ = false;
};

} // namespace soundlib
