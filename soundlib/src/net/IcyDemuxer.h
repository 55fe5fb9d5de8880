// Splits an ICY response body into its audio bytes and the metadata blocks the server puts
// after every `metaint` audio bytes (a length byte counting 16-byte units, then the text).
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>

namespace soundlib {

class IcyDemuxer {
public:
    using AudioSink = std::function<void(std::span<const uint8_t>)>;
    using MetadataSink = std::function<void(const std::string&)>;

    // metaint 0: the body is all audio.
    IcyDemuxer(size_t metaint, AudioSink audio, MetadataSink metadata)
        : metaint_(metaint), audio_(std::move(audio)), metadata_(std::move(metadata)) {}

    // Takes the next received bytes; calls the sinks in stream order. Empty metadata blocks
    // (length 0) are not reported.
    void feed(std::span<const uint8_t> bytes);

private:
    enum class State { Audio, Length, Text };

    size_t metaint_;
    AudioSink audio_;
    MetadataSink metadata_;
    State state_ = State::Audio;
    size_t left_ = 0; // bytes left in the current audio run or text block
    std::string text_;
};

} // namespace soundlib
