#include "SfxReverbUnit.h"

#include "simd4.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <numbers>

namespace soundlib {
namespace {

enum Param {
    DryLevel,
    Room,
    RoomHf,
    RoomRolloff,
    DecayTime,
    DecayHfRatio,
    Reflections,
    ReflectionsDelay,
    Reverb,
    ReverbDelay,
    Diffusion,
    Density,
    HfReference,
    RoomLf,
    LfReference,
};

// Delay lines of the late tail at full density, in samples at 44.1 kHz (25 to 50 ms, primes,
// so their echoes rarely coincide).
constexpr std::array<int, 8> kLineTuning = {1123, 1277, 1429, 1597, 1741, 1889, 2039, 2207};
// Input diffusers that smear each reflection before it enters the network.
constexpr std::array<int, 4> kDiffuserTuning = {142, 107, 379, 277};
constexpr float kMaxDiffusion = 0.75f;
// Early reflections, in ms after the reflections delay, and their decreasing weights.
constexpr std::array<double, 8> kTapMs = {0.0, 2.3, 4.7, 7.1, 9.8, 12.6, 15.9, 19.4};
constexpr double kChannelTapOffsetMs = 0.37;
constexpr double kMaxPreDelaySeconds = 0.3 + 0.1 + 0.03;
constexpr double kGlideSeconds = 0.02;
// The loss filters' pole stays at or below 1 - this / line length: their memory is a few
// passes through the line at most.
constexpr double kLossMemoryPasses = 4.0;

float fromMillibels(float mb) {
    return std::pow(10.0f, mb / 2000.0f);
}

float onePoleCoefficient(double hz, double sampleRate) {
    return static_cast<float>(1.0 - std::exp(-2.0 * std::numbers::pi * hz / sampleRate));
}

size_t powerOfTwoAbove(size_t n) {
    size_t size = 1;
    while (size < n) {
        size <<= 1;
    }
    return size;
}

// Entry (row, column) of the 8x8 Hadamard matrix, +1 or -1.
float hadamardSign(size_t row, size_t column) {
    return (std::popcount(row & column) & 1) != 0 ? -1.0f : 1.0f;
}

} // namespace

double onePoleTiltCoefficient(double ratio, double frequencyHz, double sampleRate) {
    if (ratio >= 0.999) {
        return 0.0;
    }
    const double r2 = ratio * ratio;
    const double cosw =
        std::cos(2.0 * std::numbers::pi * std::min(frequencyHz, 0.49 * sampleRate) / sampleRate);
    // |g (1 - p) / (1 - p e^-jw)|^2 = r2 g^2, solved for the root inside the unit circle.
    const double b = 1.0 - r2 * cosw;
    const double a = 1.0 - r2;
    return (b - std::sqrt(std::max(0.0, b * b - a * a))) / a;
}

SfxReverbUnit::SfxReverbUnit() {
    p_ = {0.0f, -1000.0f, -300.0f, 0.0f,   1.3f,    0.83f, -400.0f, 0.008f,
          0.0f, 0.012f,   100.0f,  100.0f, 5000.0f, 0.0f,  250.0f};
}

void SfxReverbUnit::prepare(int sampleRate, int channels, size_t) {
    sampleRate_ = sampleRate;
    channels_ = channels;
    const double scale = sampleRate / 44100.0;
    preDelay_.assign(powerOfTwoAbove(static_cast<size_t>(kMaxPreDelaySeconds * sampleRate) + 2),
                     0.0f);
    preMask_ = preDelay_.size() - 1;
    for (size_t d = 0; d < kDiffusers; ++d) {
        diffusers_[d].assign(
            std::max<size_t>(1, static_cast<size_t>(std::lround(kDiffuserTuning[d] * scale))),
            0.0f);
    }
    // Each line just long enough for its longest setting (full density): a sample is then
    // written where one was just read, and the lines take up as little cache as they can.
    size_t total = 0;
    for (size_t l = 0; l < kLines; ++l) {
        lineStart_[l] = total;
        lineSize_[l] = static_cast<size_t>(std::max(8L, std::lround(kLineTuning[l] * scale))) + 2;
        total += lineSize_[l];
    }
    lines_.assign(total, 0.0f);
    tapDelay_.assign(static_cast<size_t>(channels) * kTaps, 0);
    tapGain_.assign(static_cast<size_t>(channels) * kTaps, 0.0f);
    double weightSum = 0.0;
    for (size_t k = 0; k < kTaps; ++k) {
        weightSum += std::pow(0.8, 2.0 * static_cast<double>(k));
    }
    for (size_t c = 0; c < static_cast<size_t>(channels); ++c) {
        for (size_t k = 0; k < kTaps; ++k) {
            const double ms = kTapMs[k] + kChannelTapOffsetMs * static_cast<double>(c);
            tapDelay_[c * kTaps + k] = static_cast<size_t>(std::lround(ms * sampleRate / 1000.0));
            // Unit energy in all, with signs that differ from channel to channel.
            const double weight = std::pow(0.8, static_cast<double>(k)) / std::sqrt(weightSum);
            tapGain_[c * kTaps + k] = static_cast<float>(weight) * hadamardSign((c + 1) % 8, k);
        }
    }
    const auto glide = static_cast<size_t>(kGlideSeconds * sampleRate);
    dryGain_.setRampFrames(glide);
    earlyGain_.setRampFrames(glide);
    lateGain_.setRampFrames(glide);
    ready_ = true;
    update();
    reset();
}

void SfxReverbUnit::setParameter(int index, float value) noexcept {
    if (index < 0 || index >= kParameters) {
        return;
    }
    p_[static_cast<size_t>(index)] = value;
    if (ready_) {
        update();
    }
}

void SfxReverbUnit::update() noexcept {
    const double fs = sampleRate_;
    const float room = fromMillibels(p_[Room]);
    dryGain_.setTarget(fromMillibels(p_[DryLevel]));
    earlyGain_.setTarget(room * fromMillibels(p_[Reflections]));
    lateGain_.setTarget(room * fromMillibels(p_[Reverb]));
    roomHfGain_ = fromMillibels(p_[RoomHf]);
    roomLfGain_ = fromMillibels(p_[RoomLf]);
    hfCoeff_ = onePoleCoefficient(p_[HfReference], fs);
    lfCoeff_ = onePoleCoefficient(p_[LfReference], fs);
    reflectionsDelay_ = static_cast<size_t>(p_[ReflectionsDelay] * fs);
    lateDelay_ = static_cast<size_t>((p_[ReflectionsDelay] + p_[ReverbDelay]) * fs);
    diffusion_ = kMaxDiffusion * p_[Diffusion] / 100.0f;

    // Lower density shortens the lines: fewer resonances, a grainier tail.
    const double density = 0.3 + 0.7 * p_[Density] / 100.0;
    const double decay = p_[DecayTime];
    const double hfRatio = std::min(1.0f, p_[DecayHfRatio]);
    double meanLength = 0.0;
    for (size_t i = 0; i < kLines; ++i) {
        const double length = std::max(8.0, std::round(kLineTuning[i] * density * fs / 44100.0));
        lineLength_[i] = static_cast<size_t>(length);
        meanLength += length / kLines;
        // Each pass through a line loses what 60 dB over the decay time asks for that length,
        // and more at high frequencies, where the decay is shorter by the HF ratio.
        const double gain = std::pow(10.0, -3.0 * length / (decay * fs));
        const double gainHf = std::pow(10.0, -3.0 * length / (decay * hfRatio * fs));
        lineGain_[i] = static_cast<float>(gain);
        // The loss filter's memory must stay short against the line. A short decay with a low
        // HF ratio asks for more loss per pass than one pole can give (0.1 s at ratio 0.1: 1e-14
        // at 5 kHz), and the pole it would take sits at 1: the loop then holds what it has as a
        // constant that never decays. A filter that forgets within a few passes lets the lows
        // die away about as fast as asked (taking half as long again at worst); the highs lose a
        // little less than asked.
        const double longestMemory = 1.0 - kLossMemoryPasses / length;
        linePole_[i] = static_cast<float>(
            std::min(onePoleTiltCoefficient(gainHf / gain, p_[HfReference], fs), longestMemory));
    }
    // Energy of the tail for a unit impulse: b^2 / (mean length * (1 - per-sample energy
    // decay)); b is chosen to make it 1.
    const double energyDecay = std::pow(10.0, -6.0 / (decay * fs));
    lateInputGain_ = static_cast<float>(std::sqrt(meanLength * (1.0 - energyDecay)));
}

void SfxReverbUnit::reset() noexcept {
    dryGain_.snap();
    earlyGain_.snap();
    lateGain_.snap();
    hfLow_ = lfLow_ = 0.0f;
    std::fill(preDelay_.begin(), preDelay_.end(), 0.0f);
    for (auto& d : diffusers_) {
        std::fill(d.begin(), d.end(), 0.0f);
    }
    diffuserAt_.fill(0);
    std::fill(lines_.begin(), lines_.end(), 0.0f);
    lineFilter_.fill(0.0f);
    preAt_ = 0;
    lineAt_.fill(0);
}

namespace {

// The 8-point Hadamard transform of (low, high), lines 0-3 and 4-7, without the scaling.
void hadamard(f4& low, f4& high) {
    const f4 alternate = {1.0f, -1.0f, 1.0f, -1.0f};
    const f4 halves = {1.0f, 1.0f, -1.0f, -1.0f};
#if defined(__clang__)
    low = alternate * low + __builtin_shufflevector(low, low, 1, 0, 3, 2);
    high = alternate * high + __builtin_shufflevector(high, high, 1, 0, 3, 2);
    low = halves * low + __builtin_shufflevector(low, low, 2, 3, 0, 1);
    high = halves * high + __builtin_shufflevector(high, high, 2, 3, 0, 1);
#else
    low = alternate * low + __builtin_shuffle(low, i4{1, 0, 3, 2});
    high = alternate * high + __builtin_shuffle(high, i4{1, 0, 3, 2});
    low = halves * low + __builtin_shuffle(low, i4{2, 3, 0, 1});
    high = halves * high + __builtin_shuffle(high, i4{2, 3, 0, 1});
#endif
    const f4 sum = low + high;
    high = low - high;
    low = sum;
}

// `count` consecutive samples of a ring of mask + 1 from position `from` on.
void readRun(const float* ring, size_t mask, size_t from, float* out, size_t count) {
    from &= mask;
    const size_t first = std::min(count, mask + 1 - from);
    std::copy(ring + from, ring + from + first, out);
    std::copy(ring, ring + (count - first), out + first);
}

// The same on a ring of `size` (from below it, count at most size).
void readRing(const float* ring, size_t size, size_t from, float* out, size_t count) {
    const size_t first = std::min(count, size - from);
    std::copy(ring + from, ring + from + first, out);
    std::copy(ring, ring + (count - first), out + first);
}

// `count` samples from `in` into a ring of `size` from position `from` (below it) on.
void writeRing(float* ring, size_t size, size_t from, const float* in, size_t count) {
    const size_t first = std::min(count, size - from);
    std::copy(in, in + first, ring + from);
    std::copy(in + first, in + count, ring);
}

} // namespace

void SfxReverbUnit::process(float* interleaved, size_t frames, int channels) noexcept {
    const size_t stride = static_cast<size_t>(channels);
    while (frames > 0) {
        const size_t n = std::min(frames, kChunkFrames);
        processChunk(interleaved, n, stride);
        interleaved += n * stride;
        frames -= n;
    }
}

void SfxReverbUnit::processChunk(float* interleaved, size_t frames, size_t stride) noexcept {
    const float inverseChannels = 1.0f / static_cast<float>(stride);
    const float outScale = 1.0f / std::sqrt(static_cast<float>(kLines));
    const f4 gainLow = {lineGain_[0] * (1.0f - linePole_[0]), lineGain_[1] * (1.0f - linePole_[1]),
                        lineGain_[2] * (1.0f - linePole_[2]), lineGain_[3] * (1.0f - linePole_[3])};
    const f4 gainHigh = {lineGain_[4] * (1.0f - linePole_[4]), lineGain_[5] * (1.0f - linePole_[5]),
                         lineGain_[6] * (1.0f - linePole_[6]),
                         lineGain_[7] * (1.0f - linePole_[7])};
    const f4 poleLow = load4(linePole_.data());
    const f4 poleHigh = load4(linePole_.data() + 4);
    f4 filterLow = load4(lineFilter_.data());
    f4 filterHigh = load4(lineFilter_.data() + 4);
    float* lines[kLines];
    size_t lineAt[kLines], lineSize[kLines];
    for (size_t l = 0; l < kLines; ++l) {
        lines[l] = lines_.data() + lineStart_[l];
        lineAt[l] = lineAt_[l];
        lineSize[l] = lineSize_[l];
    }
    // State and settings in locals: the compiler cannot tell that writing the output leaves
    // the members alone, and would reload them for every frame.
    float hfLow = hfLow_, lfLow = lfLow_;
    const size_t firstPreAt = preAt_;
    size_t preAt = preAt_;
    const float hfCoeff = hfCoeff_, roomHf = roomHfGain_, lfCoeff = lfCoeff_;
    const float roomLfLift = roomLfGain_ - 1.0f, diffusion = diffusion_;
    const float lateInput = lateInputGain_;
    const size_t preMask = preMask_, lateDelay = lateDelay_;
    float* preDelay = preDelay_.data();
    for (size_t i = 0; i < frames; ++i) {
        const float* frame = interleaved + i * stride;
        float mono = 0.0f;
        if (stride == 2) {
            mono = mono + frame[0] + frame[1];
        } else {
            for (size_t c = 0; c < stride; ++c) {
                mono += frame[c];
            }
        }
        mono *= inverseChannels;
        // Room HF and Room LF: shelves around the two reference frequencies.
        hfLow += hfCoeff * (mono - hfLow);
        float shaped = hfLow + roomHf * (mono - hfLow);
        lfLow += lfCoeff * (shaped - lfLow);
        shaped += roomLfLift * lfLow;
        preDelay[preAt] = shaped;
        preAt = (preAt + 1) & preMask;
    }

    // The late tail's input, diffused: each diffuser in turn over the whole chunk, in runs that
    // end where its line wraps (a line is longer than a run, so a run never reads what it wrote).
    float late[kChunkFrames];
    readRun(preDelay, preMask, firstPreAt - lateDelay, late, frames);
    for (size_t d = 0; d < kDiffusers; ++d) {
        std::vector<float>& line = diffusers_[d];
        size_t lineAt = diffuserAt_[d];
        for (size_t i = 0; i < frames;) {
            const size_t run = std::min(frames - i, line.size() - lineAt);
            float* delayed = line.data() + lineAt;
            float* x = late + i;
            size_t j = 0;
            for (; j + 4 <= run; j += 4) {
                const f4 old = load4(delayed + j);
                const f4 fed = load4(x + j) + diffusion * old;
                store4(x + j, old - diffusion * fed);
                store4(delayed + j, fed);
            }
            for (; j < run; ++j) {
                const float fed = x[j] + diffusion * delayed[j];
                x[j] = delayed[j] - diffusion * fed;
                delayed[j] = fed;
            }
            lineAt = lineAt + run == line.size() ? 0 : lineAt + run;
            i += run;
        }
        diffuserAt_[d] = lineAt;
    }

    // The late tail, in runs no longer than the shortest line: within a run every line reads
    // only what was written before it began, so the reads and writes of each line are runs of
    // consecutive samples, and only the loss filters and the mixing go frame by frame.
    size_t length[kLines];
    size_t shortest = lineLength_[0];
    for (size_t l = 0; l < kLines; ++l) {
        length[l] = lineLength_[l];
        shortest = std::min(shortest, length[l]);
    }
    alignas(16) float lineRun[kLines][kChunkFrames]; // what each line gives, then takes
    alignas(16) float rows[kChunkFrames][kLines];    // the lines mixed, per frame
    const f4 outScale4 = splat4(outScale);
    const f4 lateInput4 = splat4(lateInput);
    for (size_t begin = 0; begin < frames;) {
        const size_t end = begin + std::min(frames - begin, shortest);
        for (size_t l = 0; l < kLines; ++l) {
            const size_t from = lineAt[l] >= length[l] ? lineAt[l] - length[l]
                                                       : lineAt[l] + lineSize[l] - length[l];
            readRing(lines[l], lineSize[l], from, lineRun[l] + begin, end - begin);
        }
        auto mix = [&](size_t i, f4 outLow, f4 outHigh) {
            filterLow = gainLow * outLow + poleLow * filterLow;
            filterHigh = gainHigh * outHigh + poleHigh * filterHigh;
            // Lossless mixing; each channel hears the lines through its own row of the
            // Hadamard matrix, the mix just made: uncorrelated tails, so the reverb fills the
            // space between the speakers.
            f4 mixLow = filterLow, mixHigh = filterHigh;
            hadamard(mixLow, mixHigh);
            store4(rows[i], mixLow);
            store4(rows[i] + 4, mixHigh);
        };
        size_t i = begin;
        for (; i + 4 <= end; i += 4) {
            f4 low[4] = {load4(lineRun[0] + i), load4(lineRun[1] + i), load4(lineRun[2] + i),
                         load4(lineRun[3] + i)};
            f4 high[4] = {load4(lineRun[4] + i), load4(lineRun[5] + i), load4(lineRun[6] + i),
                          load4(lineRun[7] + i)};
            transpose4(low);
            transpose4(high);
#pragma GCC unroll 8
            for (size_t k = 0; k < 4; ++k) {
                mix(i + k, low[k], high[k]);
            }
        }
        for (; i < end; ++i) {
            mix(i, f4{lineRun[0][i], lineRun[1][i], lineRun[2][i], lineRun[3][i]},
                f4{lineRun[4][i], lineRun[5][i], lineRun[6][i], lineRun[7][i]});
        }
        // Back into the lines: the mix scaled to keep energy, plus the new input.
        for (i = begin; i + 4 <= end; i += 4) {
            const f4 input = load4(late + i) * lateInput4;
            f4 low[4] = {load4(rows[i]), load4(rows[i + 1]), load4(rows[i + 2]),
                         load4(rows[i + 3])};
            f4 high[4] = {load4(rows[i] + 4), load4(rows[i + 1] + 4), load4(rows[i + 2] + 4),
                          load4(rows[i + 3] + 4)};
            transpose4(low);
            transpose4(high);
#pragma GCC unroll 8
            for (size_t l = 0; l < 4; ++l) {
                store4(lineRun[l] + i, low[l] * outScale4 + input);
                store4(lineRun[l + 4] + i, high[l] * outScale4 + input);
            }
        }
        for (; i < end; ++i) {
            const float input = late[i] * lateInput;
            for (size_t l = 0; l < kLines; ++l) {
                lineRun[l][i] = rows[i][l] * outScale + input;
            }
        }
        for (size_t l = 0; l < kLines; ++l) {
            writeRing(lines[l], lineSize[l], lineAt[l], lineRun[l] + begin, end - begin);
            lineAt[l] += end - begin;
            lineAt[l] -= lineAt[l] >= lineSize[l] ? lineSize[l] : 0;
        }
        begin = end;
    }

    const bool noReflections = !earlyGain_.ramping() && earlyGain_.current() == 0.0f;
    float earlyLevel[kChunkFrames]; // for the reflections added below
    if (!dryGain_.ramping() && !earlyGain_.ramping() && !lateGain_.ramping()) {
        const float dry = dryGain_.current();
        const float lateGain = lateGain_.current() * outScale;
        std::fill(earlyLevel, earlyLevel + frames, earlyGain_.current());
        size_t i = 0;
        if (stride == 2) {
            // Two frames at a time: rows 1 and 2 of each frame's mix.
            const f4 dry4 = splat4(dry), late4 = splat4(lateGain);
            for (; i + 2 <= frames; i += 2) {
                float* frame = interleaved + 2 * i;
#if defined(__clang__)
                const f4 wet =
                    __builtin_shufflevector(load4(rows[i]), load4(rows[i + 1]), 1, 2, 5, 6);
#else
                const f4 wet =
                    __builtin_shuffle(load4(rows[i]), load4(rows[i + 1]), i4{1, 2, 5, 6});
#endif
                store4(frame, dry4 * load4(frame) + late4 * wet);
            }
        }
        for (; i < frames; ++i) {
            float* frame = interleaved + i * stride;
            for (size_t c = 0; c < stride; ++c) {
                frame[c] = dry * frame[c] + lateGain * rows[i][(c + 1) % kLines];
            }
        }
    } else {
        for (size_t i = 0; i < frames; ++i) {
            float* frame = interleaved + i * stride;
            const float dry = dryGain_.next();
            earlyLevel[i] = earlyGain_.next();
            const float lateGain = lateGain_.next() * outScale;
            for (size_t c = 0; c < stride; ++c) {
                frame[c] = dry * frame[c] + lateGain * rows[i][(c + 1) % kLines];
            }
        }
    }
    hfLow_ = hfLow;
    lfLow_ = lfLow;
    preAt_ = preAt;
    for (size_t l = 0; l < kLines; ++l) {
        lineAt_[l] = lineAt[l];
    }
    store4(lineFilter_.data(), filterLow);
    store4(lineFilter_.data() + 4, filterHigh);

    if (noReflections) {
        return;
    }
    // Early reflections: each tap reads the pre-delay a fixed way back, so over the chunk it
    // is a run of consecutive samples (split where the line wraps), summed four frames at a
    // time. The whole chunk is in the pre-delay by now, and no tap reaches so far back that
    // it would meet the frames written after its own.
    const size_t reflectionsStart = firstPreAt - reflectionsDelay_;
    const size_t preSize = preMask + 1;
    auto sumTaps = [&](size_t c, float* sum) {
        const size_t* delays = tapDelay_.data() + c * kTaps;
        const float* gains = tapGain_.data() + c * kTaps;
        const float* sources[kTaps];
        bool wraps = false;
        for (size_t k = 0; k < kTaps; ++k) {
            const size_t from = (reflectionsStart - delays[k]) & preMask;
            sources[k] = preDelay + from;
            wraps = wraps || from + frames > preSize;
        }
        if (!wraps && frames % 4 == 0) {
            // All taps at once, four frames at a time, added in the same order as below.
            for (size_t i = 0; i < frames; i += 4) {
                f4 total = splat4(0.0f);
#pragma GCC unroll 8
                for (size_t k = 0; k < kTaps; ++k) {
                    total = total + splat4(gains[k]) * load4(sources[k] + i);
                }
                store4(sum + i, total);
            }
            return;
        }
        std::fill(sum, sum + frames, 0.0f);
        for (size_t k = 0; k < kTaps; ++k) {
            const float gain = gains[k];
            const f4 gain4 = splat4(gain);
            for (size_t i = 0; i < frames;) {
                const size_t from = (reflectionsStart - delays[k] + i) & preMask;
                const size_t run = std::min(frames - i, preSize - from);
                const float* source = preDelay + from;
                float* target = sum + i;
                size_t j = 0;
                for (; j + 4 <= run; j += 4) {
                    store4(target + j, load4(target + j) + gain4 * load4(source + j));
                }
                for (; j < run; ++j) {
                    target[j] += gain * source[j];
                }
                i += run;
            }
        }
    };
    alignas(16) float sum[2][kChunkFrames];
    if (stride == 2 && frames % 4 == 0) {
        sumTaps(0, sum[0]);
        sumTaps(1, sum[1]);
        for (size_t i = 0; i < frames; i += 4) {
            const f4 level = load4(earlyLevel + i);
            const f4 left = level * load4(sum[0] + i), right = level * load4(sum[1] + i);
            float* frame = interleaved + 2 * i;
            store4(frame, load4(frame) + interleaveLow4(left, right));
            store4(frame + 4, load4(frame + 4) + interleaveHigh4(left, right));
        }
        return;
    }
    for (size_t c = 0; c < stride; ++c) {
        sumTaps(c, sum[0]);
        for (size_t i = 0; i < frames; ++i) {
            interleaved[i * stride + c] += earlyLevel[i] * sum[0][i];
        }
    }
}

} // namespace soundlib
