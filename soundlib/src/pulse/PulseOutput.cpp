#include "pulse/PulseOutput.h"

#include "pulse/pulse_properties.h"
#include "sample_conversion.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <exception>
#include <optional>
#include <pulse/introspect.h>
#include <pulse/rtclock.h>
#include <pulse/timeval.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace soundlib {

namespace {

// The most the mixer renders in one go. A server request is usually a quarter of the queue or
// less, so one render covers it.
constexpr size_t kChunkFrames = 8192;
// After a flush, how long a sound that is still decoding its first frames may hold the queue
// back, and how often it is asked again meanwhile.
constexpr auto kLongestHold = std::chrono::milliseconds(100);
constexpr pa_usec_t kRetryUsec = 5 * PA_USEC_PER_MSEC;
// How long nothing must have played before the stream rests (corked): a second.
constexpr uint64_t kRestAfterFrames(uint32_t rate) {
    return rate;
}
// A stream the server drops (its sink went away and nothing took it in) is opened again on the
// default sink, but not more often than this, so a server that keeps refusing us ends in an
// error instead of a loop.
constexpr auto kReopenSpacing = std::chrono::seconds(2);

std::optional<pa_sample_format_t> sampleFormatOf(FMOD_SOUND_FORMAT format) {
    switch (format) {
    case FMOD_SOUND_FORMAT_PCM8:
        return PA_SAMPLE_U8;
    case FMOD_SOUND_FORMAT_PCM16:
        return PA_SAMPLE_S16LE;
    case FMOD_SOUND_FORMAT_PCM24:
        return PA_SAMPLE_S24LE;
    case FMOD_SOUND_FORMAT_PCM32:
        return PA_SAMPLE_S32LE;
    case FMOD_SOUND_FORMAT_PCMFLOAT:
        return PA_SAMPLE_FLOAT32LE;
    default:
        return std::nullopt;
    }
}

// The speaker order the mixer writes for each speaker mode.
pa_channel_map channelMapFor(unsigned channels) {
    pa_channel_map map{};
    using P = pa_channel_position_t;
    auto set = [&](std::initializer_list<P> positions) {
        map.channels = static_cast<uint8_t>(positions.size());
        std::copy(positions.begin(), positions.end(), map.map);
    };
    switch (channels) {
    case 1:
        set({PA_CHANNEL_POSITION_MONO});
        break;
    case 2:
        set({PA_CHANNEL_POSITION_FRONT_LEFT, PA_CHANNEL_POSITION_FRONT_RIGHT});
        break;
    case 4:
        set({PA_CHANNEL_POSITION_FRONT_LEFT, PA_CHANNEL_POSITION_FRONT_RIGHT,
             PA_CHANNEL_POSITION_REAR_LEFT, PA_CHANNEL_POSITION_REAR_RIGHT});
        break;
    case 5:
        set({PA_CHANNEL_POSITION_FRONT_LEFT, PA_CHANNEL_POSITION_FRONT_RIGHT,
             PA_CHANNEL_POSITION_FRONT_CENTER, PA_CHANNEL_POSITION_REAR_LEFT,
             PA_CHANNEL_POSITION_REAR_RIGHT});
        break;
    case 6:
        set({PA_CHANNEL_POSITION_FRONT_LEFT, PA_CHANNEL_POSITION_FRONT_RIGHT,
             PA_CHANNEL_POSITION_FRONT_CENTER, PA_CHANNEL_POSITION_LFE,
             PA_CHANNEL_POSITION_REAR_LEFT, PA_CHANNEL_POSITION_REAR_RIGHT});
        break;
    case 8:
        set({PA_CHANNEL_POSITION_FRONT_LEFT, PA_CHANNEL_POSITION_FRONT_RIGHT,
             PA_CHANNEL_POSITION_FRONT_CENTER, PA_CHANNEL_POSITION_LFE,
             PA_CHANNEL_POSITION_REAR_LEFT, PA_CHANNEL_POSITION_REAR_RIGHT,
             PA_CHANNEL_POSITION_SIDE_LEFT, PA_CHANNEL_POSITION_SIDE_RIGHT});
        break;
    default:
        pa_channel_map_init_extend(&map, channels, PA_CHANNEL_MAP_DEFAULT);
        break;
    }
    return map;
}

void finish(pa_operation* operation) {
    if (operation != nullptr)
        pa_operation_unref(operation);
}

} // namespace

PulseOutput::~PulseOutput() {
    stop();
}

FMOD_RESULT PulseOutput::start(const OutputConfig& config, Renderer& renderer) {
    stop();
    if (config.sampleRate <= 0 || config.channels <= 0 || config.blockFrames == 0 ||
        config.latencyMs <= 0)
        return FMOD_ERR_INVALID_PARAM;
    const auto sampleFormat = sampleFormatOf(config.format);
    if (!sampleFormat || config.channels > static_cast<int>(PA_CHANNELS_MAX))
        return FMOD_ERR_OUTPUT_FORMAT;
    spec_ = {*sampleFormat, static_cast<uint32_t>(config.sampleRate),
             static_cast<uint8_t>(config.channels)};
    if (pa_sample_spec_valid(&spec_) == 0)
        return FMOD_ERR_OUTPUT_FORMAT;
    map_ = channelMapFor(spec_.channels);
    format_ = config.format;
    frameBytes_ = pa_frame_size(&spec_);
    channels_ = spec_.channels;
    title_ = config.mediaTitle;
    renderer_ = &renderer;

    FMOD_RESULT result = FMOD_ERR_OUTPUT_INIT;
    try {
        scratch_.assign(kChunkFrames * channels_, 0.0f);
        result = open(config);
    } catch (const std::exception&) {
        result = FMOD_ERR_OUTPUT_INIT;
    }
    if (result != FMOD_OK)
        stop();
    return result;
}

FMOD_RESULT PulseOutput::open(const OutputConfig& config) {
    connection_ = std::make_unique<pulse::Connection>();
    if (!connection_->ready())
        return FMOD_ERR_OUTPUT_INIT;
    if (config.driver < 0)
        return FMOD_ERR_INVALID_PARAM;
    if (config.driver > 0) {
        const auto sinks = connection_->sinks();
        if (sinks.empty())
            return FMOD_ERR_OUTPUT_INIT;
        if (static_cast<size_t>(config.driver) >= sinks.size())
            return FMOD_ERR_INVALID_PARAM;
        device_ = sinks[static_cast<size_t>(config.driver)].name;
    }

    // A music-sized queue: the server wakes us, and works itself, a few times a second instead
    // of every few milliseconds. Starts, stops and seeks flush it, so they still act at once.
    const pa_usec_t latency = static_cast<pa_usec_t>(config.latencyMs) * PA_USEC_PER_MSEC;
    buffer_.maxlength = static_cast<uint32_t>(-1);
    buffer_.tlength = static_cast<uint32_t>(pa_usec_to_bytes(latency, &spec_));
    buffer_.prebuf = static_cast<uint32_t>(-1);
    buffer_.minreq = static_cast<uint32_t>(-1);
    buffer_.fragsize = static_cast<uint32_t>(-1);

    wakeFd_ = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (wakeFd_ < 0)
        return FMOD_ERR_OUTPUT_INIT;

    pa_threaded_mainloop* loop = connection_->loop();
    pa_threaded_mainloop_lock(loop);
    pa_mainloop_api* api = pa_threaded_mainloop_get_api(loop);
    wakeEvent_ = api->io_new(api, wakeFd_, PA_IO_EVENT_INPUT, &PulseOutput::onWake, this);
    startTime_ = std::chrono::steady_clock::now();
    bool ready = wakeEvent_ != nullptr && openStream();
    if (ready) {
        connection_->waitFor([this] {
            const pa_stream_state_t state = pa_stream_get_state(stream_);
            return state == PA_STREAM_READY || !PA_STREAM_IS_GOOD(state);
        });
        ready = pa_stream_get_state(stream_) == PA_STREAM_READY;
    }
    if (ready) {
        if (const pa_buffer_attr* granted = pa_stream_get_buffer_attr(stream_))
            buffer_ = *granted;
        streaming_ = true;
    }
    pa_threaded_mainloop_unlock(loop);
    return ready ? FMOD_OK : FMOD_ERR_OUTPUT_INIT;
}

bool PulseOutput::openStream() {
    const pulse::ProplistPtr properties = pulse::streamProperties(title_);
    stream_ = pa_stream_new_with_proplist(connection_->context(), pulse::mediaName(title_).c_str(),
                                          &spec_, &map_, properties.get());
    if (stream_ == nullptr)
        return false;
    pa_stream_set_state_callback(stream_, &PulseOutput::onStreamState, this);
    pa_stream_set_write_callback(stream_, &PulseOutput::onWrite, this);
    // No device: the server's default sink, and the server moves us when the desktop picks
    // another one.
    const auto flags = static_cast<pa_stream_flags_t>(
        PA_STREAM_ADJUST_LATENCY | PA_STREAM_INTERPOLATE_TIMING | PA_STREAM_AUTO_TIMING_UPDATE);
    if (pa_stream_connect_playback(stream_, device_.empty() ? nullptr : device_.c_str(), &buffer_,
                                   flags, nullptr, nullptr) < 0) {
        closeStream();
        return false;
    }
    return true;
}

void PulseOutput::closeStream() {
    if (retry_ != nullptr) {
        pa_threaded_mainloop_get_api(connection_->loop())->time_free(retry_);
        retry_ = nullptr;
    }
    holdUntil_.reset();
    corked_ = false;
    if (stream_ == nullptr)
        return;
    pa_stream_set_write_callback(stream_, nullptr, nullptr);
    pa_stream_set_state_callback(stream_, nullptr, nullptr);
    pa_stream_disconnect(stream_);
    pa_stream_unref(stream_);
    stream_ = nullptr;
}

void PulseOutput::stop() {
    if (connection_ && connection_->loop() != nullptr) {
        pa_threaded_mainloop* loop = connection_->loop();
        pa_threaded_mainloop_lock(loop);
        streaming_ = false;
        closeStream();
        if (wakeEvent_ != nullptr) {
            pa_mainloop_api* api = pa_threaded_mainloop_get_api(loop);
            api->io_free(wakeEvent_);
            wakeEvent_ = nullptr;
        }
        pa_threaded_mainloop_unlock(loop);
    }
    // Joins the loop thread: no render() after this.
    connection_.reset();
    if (wakeFd_ >= 0) {
        ::close(wakeFd_);
        wakeFd_ = -1;
    }
    std::unique_ptr<std::string> unused(pendingTitle_.exchange(nullptr));
    renderer_ = nullptr;
    device_.clear();
    lastReopen_.reset();
    changesFlushed_ = changesComing_.load();
    renderedAtWake_ = 0;
    changesPosted_.store(changesFlushed_);
    rendered_.store(0);
    heardFloor_.store(0);
    timed_.store(false);
    failed_.store(false);
    resumeWanted_.store(false);
}

void PulseOutput::onStreamState(pa_stream* stream, void* self) {
    auto* me = static_cast<PulseOutput*>(self);
    if (stream == me->stream_ && pa_stream_get_state(stream) == PA_STREAM_FAILED &&
        me->streaming_ && me->connection_->ready()) {
        // The server is there but dropped our stream (its sink went away and nothing took us
        // in): open again on the default sink.
        const auto now = std::chrono::steady_clock::now();
        me->closeStream();
        me->device_.clear();
        const bool tooSoon = me->lastReopen_ && now - *me->lastReopen_ < kReopenSpacing;
        me->lastReopen_ = now;
        if (tooSoon || !me->openStream()) {
            std::fprintf(stderr, "soundlib: PulseAudio: the server refuses our stream\n");
            me->failed_.store(true, std::memory_order_release);
        }
    }
    me->connection_->wake();
}

void PulseOutput::onWrite(pa_stream* stream, size_t bytes, void* self) {
    auto* me = static_cast<PulseOutput*>(self);
    if (stream != me->stream_)
        return;
    // A change came while the request was on its way: drop what was queued before it, then
    // fill with what follows it.
    me->takeChanges();
    if (me->corked_)
        return;
    // (What the mixer counted before a wake-up is not news: it must count afresh.)
    const uint64_t rest = kRestAfterFrames(me->spec_.rate);
    if (me->renderer_->restingFrames() >= rest &&
        me->rendered_.load(std::memory_order_relaxed) - me->renderedAtWake_ >= rest) {
        // Nothing has played for a while: let the server (and the sound card) rest until
        // something starts or is unpaused.
        finish(pa_stream_cork(stream, 1, nullptr, nullptr));
        me->corked_ = true;
        return;
    }
    me->write(bytes);
}

void PulseOutput::onWake(pa_mainloop_api*, pa_io_event*, int fd, pa_io_event_flags_t, void* self) {
    auto* me = static_cast<PulseOutput*>(self);
    uint64_t count = 0;
    [[maybe_unused]] const ssize_t read = ::read(fd, &count, sizeof count);
    if (me->stream_ == nullptr || pa_stream_get_state(me->stream_) != PA_STREAM_READY)
        return; // a stream being opened again gets the title then, and has nothing to flush
    // The server asks again for what a flush dropped; onWrite renders the change into it.
    me->takeChanges();
    me->applyTitle();
}

void PulseOutput::takeChanges() noexcept {
    const uint64_t coming = changesComing_.load(std::memory_order_acquire);
    const bool resume = resumeWanted_.exchange(false, std::memory_order_acq_rel);
    if (coming != changesFlushed_) {
        changesFlushed_ = coming;
    } else if (!(resume && corked_)) {
        return;
    }
    // Resting, the queue holds only silence: dropped too, so the sound starts at once.
    flush();
    if (corked_) {
        finish(pa_stream_cork(stream_, 0, nullptr, nullptr));
        corked_ = false;
        renderedAtWake_ = rendered_.load(std::memory_order_relaxed);
    }
}

void PulseOutput::write(size_t bytes) noexcept {
    // Just after a flush the server plays nothing until the queue is refilled, so waiting a few
    // milliseconds for a stream that is still decoding its first frames costs nothing, while
    // rendering at once would queue its silence ahead of it.
    if (holdUntil_ && std::chrono::steady_clock::now() < *holdUntil_ &&
        (changesPosted_.load(std::memory_order_acquire) !=
             changesComing_.load(std::memory_order_acquire) ||
         renderer_->startsPending())) {
        if (retry_ == nullptr)
            retry_ = pa_context_rttime_new(connection_->context(), pa_rtclock_now() + kRetryUsec,
                                           &PulseOutput::onRetry, this);
        return;
    }
    holdUntil_.reset();
    fill(bytes);
    publishTiming();
}

void PulseOutput::onRetry(pa_mainloop_api* api, pa_time_event* event, const struct timeval*,
                          void* self) {
    auto* me = static_cast<PulseOutput*>(self);
    api->time_free(event);
    me->retry_ = nullptr;
    if (me->stream_ != nullptr && !me->corked_ &&
        pa_stream_get_state(me->stream_) == PA_STREAM_READY)
        me->write(pa_stream_writable_size(me->stream_));
}

void PulseOutput::flush() noexcept {
    finish(pa_stream_flush(stream_, nullptr, nullptr));
    // What was queued is gone: the next frame rendered is the next one heard. libpulse has no
    // latency to tell until the server's next timing report, asked for here; until then the
    // clock carries on from this point.
    const auto rendered = static_cast<int64_t>(rendered_.load(std::memory_order_relaxed));
    heardFloor_.store(rendered, std::memory_order_relaxed);
    heardAnchor_.store(rendered - framesSinceStart(std::chrono::steady_clock::now()),
                       std::memory_order_relaxed);
    timed_.store(true, std::memory_order_release);
    finish(pa_stream_update_timing_info(stream_, nullptr, nullptr));
    holdUntil_ = std::chrono::steady_clock::now() + kLongestHold;
}

void PulseOutput::fill(size_t bytes) noexcept {
    while (bytes >= frameBytes_) {
        void* data = nullptr;
        size_t size = bytes;
        if (pa_stream_begin_write(stream_, &data, &size) < 0 || data == nullptr ||
            size < frameBytes_) {
            if (data != nullptr)
                pa_stream_cancel_write(stream_);
            return; // the server asks again
        }
        const size_t frames = std::min(size / frameBytes_, kChunkFrames);
        renderer_->render(scratch_.data(), frames);
        convertFromFloat(format_, scratch_.data(), frames * channels_, data);
        if (pa_stream_write(stream_, data, frames * frameBytes_, nullptr, 0, PA_SEEK_RELATIVE) < 0)
            return;
        rendered_.store(rendered_.load(std::memory_order_relaxed) + frames,
                        std::memory_order_release);
        bytes -= frames * frameBytes_;
    }
}

int64_t PulseOutput::framesSinceStart(std::chrono::steady_clock::time_point when) const {
    const std::chrono::duration<double> elapsed = when - startTime_;
    return std::llround(elapsed.count() * spec_.rate);
}

void PulseOutput::publishTiming() noexcept {
    pa_usec_t latency = 0;
    int negative = 0;
    uint64_t queued = 0;
    if (pa_stream_get_latency(stream_, &latency, &negative) == 0) {
        queued = negative != 0 ? 0 : latency * spec_.rate / PA_USEC_PER_SEC;
    } else if (!timed_.load(std::memory_order_relaxed)) {
        queued = buffer_.tlength / frameBytes_; // no report yet: the queue is about full
    } else {
        return; // no report since a flush: keep counting from it
    }
    const auto heard = static_cast<int64_t>(rendered_.load(std::memory_order_relaxed)) -
                       static_cast<int64_t>(queued);
    heardAnchor_.store(heard - framesSinceStart(std::chrono::steady_clock::now()),
                       std::memory_order_relaxed);
    timed_.store(true, std::memory_order_release);
}

std::optional<uint64_t> PulseOutput::heardFrame() const {
    if (!timed_.load(std::memory_order_acquire))
        return 0; // nothing has reached the speakers yet
    const int64_t heard = heardAnchor_.load(std::memory_order_relaxed) +
                          framesSinceStart(std::chrono::steady_clock::now());
    const auto rendered = static_cast<int64_t>(rendered_.load(std::memory_order_acquire));
    // Frames dropped by a flush are never heard.
    const int64_t floor = std::min(heardFloor_.load(std::memory_order_relaxed), rendered);
    return static_cast<uint64_t>(std::clamp<int64_t>(heard, floor, rendered));
}

bool PulseOutput::lost() const {
    return failed_.load(std::memory_order_acquire) || (connection_ && connection_->lost());
}

void PulseOutput::changeComing() noexcept {
    changesComing_.fetch_add(1, std::memory_order_release);
    wakeLoop();
}

void PulseOutput::soundComing() noexcept {
    resumeWanted_.store(true, std::memory_order_release);
    wakeLoop();
}

void PulseOutput::changePosted() noexcept {
    changesPosted_.fetch_add(1, std::memory_order_release);
}

void PulseOutput::wakeLoop() noexcept {
    // An eventfd write never blocks (it is non-blocking, and a full counter only means the
    // loop is already due to wake).
    if (wakeFd_ >= 0) {
        const uint64_t one = 1;
        [[maybe_unused]] const ssize_t written = ::write(wakeFd_, &one, sizeof one);
    }
}

void PulseOutput::setMediaTitle(const std::string& title) {
    std::unique_ptr<std::string> replaced(
        pendingTitle_.exchange(std::make_unique<std::string>(title).release()));
    wakeLoop();
}

void PulseOutput::applyTitle() {
    std::unique_ptr<std::string> title(pendingTitle_.exchange(nullptr));
    if (!title)
        return;
    title_ = std::move(*title);
    const pulse::ProplistPtr properties = pulse::streamProperties(title_);
    finish(
        pa_stream_proplist_update(stream_, PA_UPDATE_REPLACE, properties.get(), nullptr, nullptr));
}

} // namespace soundlib
