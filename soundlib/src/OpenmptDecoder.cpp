#include "OpenmptDecoder.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

namespace soundlib {
namespace {

constexpr size_t kScratchFrames = 4096;

FMOD_SOUND_TYPE typeForName(const std::string& name) {
    if (name == "xm")
        return FMOD_SOUND_TYPE_XM;
    if (name == "it")
        return FMOD_SOUND_TYPE_IT;
    if (name == "s3m")
        return FMOD_SOUND_TYPE_S3M;
    if (name == "mod")
        return FMOD_SOUND_TYPE_MOD;
    return FMOD_SOUND_TYPE_UNKNOWN;
}

std::string metadata(openmpt_module* module, const char* key) {
    const char* value = openmpt_module_get_metadata(module, key);
    if (!value)
        return {};
    std::string text(value);
    openmpt_free_string(value);
    return text;
}

} // namespace

bool OpenmptDecoder::looksLikeModule(std::span<const uint8_t> head, uint64_t fileSize) {
    int error = 0;
    const int probe = openmpt_probe_file_header(
        OPENMPT_PROBE_FILE_HEADER_FLAGS_MODULES, head.data(), head.size(), fileSize,
        openmpt_log_func_silent, nullptr, openmpt_error_func_ignore, nullptr, &error, nullptr);
    return probe == OPENMPT_PROBE_FILE_HEADER_RESULT_SUCCESS;
}

DecoderOpenResult OpenmptDecoder::open(std::span<const uint8_t> bytes, FMOD_SOUND_TYPE typeHint,
                                       const DecoderOptions& options) {
    DecoderOpenResult opened;
    opened.result = FMOD_ERR_FORMAT;
    if (bytes.empty())
        return opened;

    // Stop exactly at the song's end (no fade-out tail), and keep samples in step after seeks.
    const openmpt_module_initial_ctl controls[] = {
        {"play.at_end", "stop"}, {"seek.sync_samples", "1"}, {nullptr, nullptr}};
    int error = 0;
    openmpt_module* raw = openmpt_module_create_from_memory2(
        bytes.data(), bytes.size(), openmpt_log_func_silent, nullptr, openmpt_error_func_ignore,
        nullptr, &error, nullptr, controls);
    if (!raw)
        return opened;
    auto decoder = std::make_unique<OpenmptDecoder>(Key{});
    decoder->module_.reset(raw);

    const FMOD_SOUND_TYPE detected = typeForName(metadata(raw, "type"));
    if (typeHint == FMOD_SOUND_TYPE_UNKNOWN && detected == FMOD_SOUND_TYPE_UNKNOWN)
        return opened; // some other tracker format, recognised only by content
    decoder->type_ = detected != FMOD_SOUND_TYPE_UNKNOWN ? detected : typeHint;

    decoder->loop_ = options.loop;
    openmpt_module_set_repeat_count(raw, options.loop ? -1 : 0);
    const double seconds = openmpt_module_get_duration_seconds(raw);
    if (std::isfinite(seconds) && seconds > 0)
        decoder->length_ = static_cast<uint64_t>(std::llround(seconds * kRate));

    for (const auto& [key, name] : {std::pair{"title", "TITLE"}, std::pair{"artist", "ARTIST"}}) {
        std::string value = metadata(raw, key);
        if (!value.empty())
            decoder->tags_.push_back({FMOD_TAGTYPE_UNKNOWN, name, std::move(value)});
    }

    opened.result = FMOD_OK;
    opened.decoder = std::move(decoder);
    return opened;
}

size_t OpenmptDecoder::render(float* out, size_t frames) {
    size_t done = 0;
    while (done < frames && !rendererEnded_) {
        const size_t got = openmpt_module_read_interleaved_float_stereo(
            module_.get(), kRate, frames - done, out + done * 2);
        if (got == 0)
            rendererEnded_ = true;
        done += got;
    }
    return done;
}

size_t OpenmptDecoder::read(float* out, size_t frames) {
    if (loop_ || length_ == 0) {
        const size_t got = render(out, frames);
        position_ += got;
        return got;
    }
    // The length is the contract: cut what libopenmpt renders beyond it, fill in silence if
    // it stops a few frames short.
    const size_t wanted = static_cast<size_t>(std::min<uint64_t>(frames, length_ - position_));
    size_t got = render(out, wanted);
    if (got < wanted) {
        std::fill(out + got * 2, out + wanted * 2, 0.0f);
        got = wanted;
    }
    position_ += got;
    return got;
}

bool OpenmptDecoder::seek(uint64_t frame) {
    if (!loop_ && length_ > 0 && frame >= length_) {
        position_ = length_;
        return true;
    }
    // libopenmpt lands on a row start; render forward from there to the exact frame.
    double landed = openmpt_module_set_position_seconds(module_.get(), double(frame) / kRate);
    uint64_t at = static_cast<uint64_t>(std::max(0.0, std::floor(landed * kRate + 0.5)));
    if (at > frame) {
        openmpt_module_set_position_seconds(module_.get(), 0.0);
        at = 0;
    }
    rendererEnded_ = false;
    scratch_.resize(kScratchFrames * 2);
    while (at < frame) {
        const size_t step = static_cast<size_t>(std::min<uint64_t>(kScratchFrames, frame - at));
        const size_t got = render(scratch_.data(), step);
        if (got == 0)
            break;
        at += got;
    }
    position_ = frame;
    return true;
}

} // namespace soundlib
