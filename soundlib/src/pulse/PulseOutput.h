// Output to a PulseAudio server (or PipeWire's PulseAudio service) through libpulse's threaded
// main loop and asynchronous stream: the server asks for audio, and the mixer renders it right
// there, in the loop thread, in the software format's sample type.
#pragma once

#include "output.h"
#include "pulse/PulseConnection.h"

#include <atomic>
#include <chrono>
#include <memory>
#include <optional>
#include <pulse/stream.h>
#include <string>
#include <vector>

namespace soundlib {

class PulseOutput final : public Output {
public:
    PulseOutput() = default;
    ~PulseOutput() override;

    // Connects and opens a playback stream on sink `config.driver` of listDrivers() (0: the
    // server's default sink, followed when the desktop changes it), asking for a queue of
    // config.latencyMs. Answers 61 without a server (none is ever spawned) or when it does not
    // answer in time, 37 for a driver outside the list, 60 for a format it cannot carry.
    FMOD_RESULT start(const OutputConfig& config, Renderer& renderer) override;
    void stop() override;
    bool realTime() const override { return true; }

    // Starts, stops and seeks drop the queued audio, so they are heard at once.
    void changeComing() noexcept override;
    void changePosted() noexcept override;
    // A stream resting (corked) after a second of nothing playing asks for audio again.
    void soundComing() noexcept override;
    std::optional<uint64_t> heardFrame() const override;
    bool lost() const override;
    void setMediaTitle(const std::string& title) override;

private:
    // All of these run in the loop thread or with the loop locked.
    FMOD_RESULT open(const OutputConfig& config);
    bool openStream();
    void closeStream();
    // Renders and writes `bytes`, unless a sound that just started is still decoding.
    void write(size_t bytes) noexcept;
    void fill(size_t bytes) noexcept;
    void publishTiming() noexcept;
    void flush() noexcept;
    // Flushes for a change the caller announced, and wakes a resting stream for it.
    void takeChanges() noexcept;
    void applyTitle();
    int64_t framesSinceStart(std::chrono::steady_clock::time_point when) const;
    void wakeLoop() noexcept;
    static void onWrite(pa_stream* stream, size_t bytes, void* self);
    static void onStreamState(pa_stream* stream, void* self);
    static void onWake(pa_mainloop_api* api, pa_io_event* event, int fd, pa_io_event_flags_t flags,
                       void* self);
    static void onRetry(pa_mainloop_api* api, pa_time_event* event, const struct timeval* when,
                        void* self);

    std::unique_ptr<pulse::Connection> connection_;
    pa_stream* stream_ = nullptr;
    pa_io_event* wakeEvent_ = nullptr;
    int wakeFd_ = -1; // eventfd the caller's thread pokes to wake the loop
    Renderer* renderer_ = nullptr;
    FMOD_SOUND_FORMAT format_ = FMOD_SOUND_FORMAT_PCM16;
    pa_sample_spec spec_{};
    pa_channel_map map_{};
    pa_buffer_attr buffer_{};
    size_t frameBytes_ = 0;
    size_t channels_ = 0;
    std::string device_; // empty: the default sink
    std::string title_;  // the stream's media.name
    std::vector<float> scratch_;
    bool streaming_ = false; // started: a dropped stream is opened again
    std::optional<std::chrono::steady_clock::time_point> lastReopen_;
    uint64_t changesFlushed_ = 0;
    std::optional<std::chrono::steady_clock::time_point> holdUntil_; // set by a flush
    pa_time_event* retry_ = nullptr;
    bool corked_ = false;         // resting: nothing played for a while
    uint64_t renderedAtWake_ = 0; // rendered_ when it last stopped resting

    // Caller's thread to loop thread.
    std::atomic<uint64_t> changesComing_{0};
    std::atomic<uint64_t> changesPosted_{0};
    std::atomic<std::string*> pendingTitle_{nullptr};
    std::atomic<bool> resumeWanted_{false};
    // Loop thread to caller's thread. What is heard at time t is heardAnchor_ plus the frames
    // between startTime_ and t, never less than heardFloor_ (the last flush) nor more than
    // rendered_.
    std::chrono::steady_clock::time_point startTime_;
    std::atomic<uint64_t> rendered_{0};
    std::atomic<int64_t> heardAnchor_{0};
    std::atomic<int64_t> heardFloor_{0};
    std::atomic<bool> timed_{false};
    std::atomic<bool> failed_{false};
};

} // namespace soundlib
