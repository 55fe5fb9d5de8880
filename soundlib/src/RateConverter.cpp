#include "RateConverter.h"

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
}

#include <algorithm>
#include <climits>

namespace soundlib {
namespace {

// Input frames fed around a looping sound's kept turn, more than the filter reaches at any
// ratio between 8 and 384 kHz.
constexpr size_t kLoopMargin = size_t{1} << 15;
constexpr size_t kChunkFrames = 16384;

// Feeds `frames` input frames in chunks, appending the output to `out`.
void feed(RateConverter& converter, const float* in, size_t frames, std::vector<float>& out) {
    const size_t channels = static_cast<size_t>(converter.channels());
    for (size_t done = 0; done < frames;) {
        const size_t n = std::min(kChunkFrames, frames - done);
        const size_t used = out.size();
        out.resize(used + converter.maxOutput(n) * channels);
        const size_t made = converter.convert(in + done * channels, n, out.data() + used);
        out.resize(used + made * channels);
        done += n;
    }
}

void drainInto(RateConverter& converter, std::vector<float>& out) {
    const size_t channels = static_cast<size_t>(converter.channels());
    for (;;) {
        const size_t used = out.size();
        out.resize(used + converter.maxOutput(0) * channels);
        const size_t made = converter.drain(out.data() + used);
        out.resize(used + made * channels);
        if (made == 0) {
            return;
        }
    }
}

} // namespace

RateConverter::RateConverter(Key, int channels) : channels_(channels) {}

bool RateConverter::converts(int inRate, int outRate) {
    constexpr int kLowest = 1000;
    constexpr int kHighest = 384000;
    return inRate != outRate && inRate >= kLowest && inRate <= kHighest && outRate >= kLowest &&
           outRate <= kHighest;
}

std::unique_ptr<RateConverter> RateConverter::create(int channels, int inRate, int outRate) {
    if (channels < 1 || channels > 2 || inRate <= 0 || outRate <= 0) {
        return nullptr;
    }
    AVChannelLayout layout{};
    av_channel_layout_default(&layout, channels);
    SwrContext* context = nullptr;
    const int made = swr_alloc_set_opts2(&context, &layout, AV_SAMPLE_FMT_FLT, outRate, &layout,
                                         AV_SAMPLE_FMT_FLT, inRate, 0, nullptr);
    av_channel_layout_uninit(&layout);
    auto converter = std::make_unique<RateConverter>(Key{}, channels);
    converter->swr_.reset(context);
    if (made < 0 || !context || av_opt_set(context, "resampler", "soxr", 0) < 0 ||
        av_opt_set_double(context, "precision", 20.0, 0) < 0 || swr_init(context) < 0) {
        return nullptr;
    }
    return converter;
}

size_t RateConverter::maxOutput(size_t frames) const {
    const int most = swr_get_out_samples(swr_.get(), static_cast<int>(frames));
    return most > 0 ? static_cast<size_t>(most) : 0;
}

size_t RateConverter::convert(const float* in, size_t frames, float* out) {
    const auto* input = reinterpret_cast<const uint8_t*>(in);
    auto* output = reinterpret_cast<uint8_t*>(out);
    const int made = swr_convert(swr_.get(), &output, static_cast<int>(maxOutput(frames)), &input,
                                 static_cast<int>(frames));
    return made > 0 ? static_cast<size_t>(made) : 0;
}

size_t RateConverter::drain(float* out) {
    auto* output = reinterpret_cast<uint8_t*>(out);
    const int made = swr_convert(swr_.get(), &output, static_cast<int>(maxOutput(0)), nullptr, 0);
    return made > 0 ? static_cast<size_t>(made) : 0;
}

bool RateConverter::reset() {
    return swr_init(swr_.get()) >= 0;
}

std::unique_ptr<std::vector<float>>
RateConverter::convertAll(const std::vector<float>& frames, int channels, int inRate, int outRate) {
    auto converter = create(channels, inRate, outRate);
    if (!converter) {
        return nullptr;
    }
    auto out = std::make_unique<std::vector<float>>();
    const size_t count = frames.size() / static_cast<size_t>(channels);
    out->reserve(static_cast<size_t>(static_cast<double>(count) * outRate / inRate + 64) *
                 static_cast<size_t>(channels));
    feed(*converter, frames.data(), count, *out);
    drainInto(*converter, *out);
    out->shrink_to_fit();
    return out;
}

std::unique_ptr<std::vector<float>> RateConverter::convertLoop(const std::vector<float>& frames,
                                                               int channels, uint64_t outFrames) {
    const size_t width = static_cast<size_t>(channels);
    const size_t count = frames.size() / width;
    if (count == 0 || outFrames == 0 || count > INT_MAX || outFrames > INT_MAX) {
        return nullptr;
    }
    // Rates in the ratio of the frame counts make one turn exactly outFrames long. Whole turns
    // go before the kept one, so it starts on an output frame, and enough of the next after it.
    auto converter = create(channels, static_cast<int>(count), static_cast<int>(outFrames));
    if (!converter) {
        return nullptr;
    }
    const size_t turnsBefore = (kLoopMargin + count - 1) / count;
    const size_t total = (turnsBefore + 1) * count + kLoopMargin;
    std::vector<float> chunk(std::min(total, kChunkFrames) * width);
    std::vector<float> out;
    for (size_t done = 0; done < total;) {
        // The loop's frames over and over.
        const size_t n = std::min(kChunkFrames, total - done);
        for (size_t i = 0; i < n; ++i) {
            const float* frame = frames.data() + ((done + i) % count) * width;
            std::copy(frame, frame + width, chunk.begin() + static_cast<ptrdiff_t>(i * width));
        }
        feed(*converter, chunk.data(), n, out);
        done += n;
    }
    const size_t first = turnsBefore * static_cast<size_t>(outFrames) * width;
    const size_t length = static_cast<size_t>(outFrames) * width;
    if (out.size() < first + length) {
        return nullptr;
    }
    return std::make_unique<std::vector<float>>(out.begin() + static_cast<ptrdiff_t>(first),
                                                out.begin() +
                                                    static_cast<ptrdiff_t>(first + length));
}

} // namespace soundlib
