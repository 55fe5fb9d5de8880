#include "RtAudioOutput.h"

#include "device_probe.h"

#include <algorithm>
#include <cstdio>
#include <exception>
#include <limits>

namespace soundlib {

namespace {

// Errors on RtAudio's own threads (a device unplugged, a server gone) must not throw there;
// with an error callback RtAudio stops the stream and reports here instead.
void reportDeviceError(RtAudioError::Type type, const std::string& text) {
    if (type != RtAudioError::WARNING && type != RtAudioError::DEBUG_WARNING)
        std::fprintf(stderr, "soundlib: sound device: %s\n", text.c_str());
}

} // namespace

RtAudioOutput::RtAudioOutput(FMOD_OUTPUTTYPE type) : type_(type) {}

RtAudioOutput::~RtAudioOutput() {
    stop();
}

FMOD_RESULT RtAudioOutput::start(const OutputConfig& config, Renderer& renderer) {
    stop();
    if (config.sampleRate <= 0 || config.channels <= 0 || config.blockFrames == 0)
        return FMOD_ERR_INVALID_PARAM;
    const auto api = devices::rtAudioApi(type_);
    if (!api)
        return FMOD_ERR_OUTPUT_INIT;

    renderer_ = &renderer;
    channels_ = static_cast<size_t>(config.channels);
    FMOD_RESULT result = FMOD_ERR_OUTPUT_INIT;
    try {
        result = open(config, *api);
    } catch (const std::exception&) {
        result = FMOD_ERR_OUTPUT_INIT;
    }
    if (result != FMOD_OK)
        stop();
    return result;
}

FMOD_RESULT RtAudioOutput::open(const OutputConfig& config, RtAudio::Api api) {
    audio_ = devices::makeRtAudio(api);
    if (!audio_)
        return FMOD_ERR_OUTPUT_INIT;
    const auto outputs = devices::outputDevices(*audio_);
    if (outputs.empty())
        return FMOD_ERR_OUTPUT_INIT;
    if (config.driver < 0 || static_cast<size_t>(config.driver) >= outputs.size())
        return FMOD_ERR_INVALID_PARAM;

    RtAudio::StreamParameters parameters;
    parameters.deviceId = outputs[static_cast<size_t>(config.driver)].id;
    parameters.nChannels = static_cast<unsigned int>(config.channels);
    RtAudio::StreamOptions options;
    // Four blocks in flight, as the mixer's block sizes were made for.
    options.numberOfBuffers = 4;
    options.streamName = "Sorvel";
    unsigned int frames = static_cast<unsigned int>(
        std::min<size_t>(config.blockFrames, std::numeric_limits<unsigned int>::max()));

    audio_->openStream(&parameters, nullptr, RTAUDIO_FLOAT32,
                       static_cast<unsigned int>(config.sampleRate), &frames,
                       &RtAudioOutput::onDevice, this, &options, &reportDeviceError);
    // With an error callback some RtAudio failures report instead of throwing.
    if (!audio_->isStreamOpen())
        return FMOD_ERR_OUTPUT_INIT;
    audio_->startStream();
    if (!audio_->isStreamRunning())
        return FMOD_ERR_OUTPUT_INIT;
    return FMOD_OK;
}

void RtAudioOutput::stop() {
    if (audio_) {
        // closeStream joins RtAudio's callback thread (or deactivates the JACK client), so no
        // render() can follow. Abort rather than drain: draining a wedged device can block.
        try {
            if (audio_->isStreamRunning())
                audio_->abortStream();
        } catch (const std::exception&) {
        }
        try {
            if (audio_->isStreamOpen())
                audio_->closeStream();
        } catch (const std::exception&) {
        }
        audio_.reset();
    }
    renderer_ = nullptr;
}

int RtAudioOutput::onDevice(void* output, void* /*input*/, unsigned int frames,
                            double /*streamTime*/, RtAudioStreamStatus /*status*/, void* self) {
    auto* me = static_cast<RtAudioOutput*>(self);
    auto* out = static_cast<float*>(output);
    if (me->renderer_)
        me->renderer_->render(out, frames);
    else
        std::fill_n(out, static_cast<size_t>(frames) * me->channels_, 0.0f);
    return 0;
}

} // namespace soundlib
