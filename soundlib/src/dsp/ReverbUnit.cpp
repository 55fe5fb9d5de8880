#include "ReverbUnit.h"

#include "simd4.h"

#include <algorithm>
#include <cmath>

namespace soundlib {
namespace {

// Freeverb's tuning, in samples at 44.1 kHz.
constexpr std::array<int, 8> kCombTuning = {1116, 1188, 1277, 1356, 1422, 1491, 1557, 1617};
constexpr std::array<int, 4> kAllpassTuning = {556, 441, 341, 225};
constexpr int kStereoSpread = 23;
constexpr float kFixedGain = 0.015f;
constexpr float kScaleWet = 3.0f;
constexpr float kScaleDamp = 0.4f;
constexpr float kScaleRoom = 0.28f;
constexpr float kOffsetRoom = 0.7f;
constexpr float kAllpassFeedback = 0.5f;
constexpr double kGlideSeconds = 0.02;

size_t scaled(int tuning, int sampleRate) {
    return std::max<size_t>(1, static_cast<size_t>(std::lround(tuning * sampleRate / 44100.0)));
}

} // namespace

void ReverbUnit::prepare(int sampleRate, int channels, size_t maxBlockFrames) {
    tanks_.assign(static_cast<size_t>(channels), Tank{});
    for (size_t c = 0; c < tanks_.size(); ++c) {
        // The right-hand tank of each pair sits 23 samples apart; further pairs (surround)
        // move a little more so they do not ring alike.
        const int spread = static_cast<int>(c % 2) * kStereoSpread + static_cast<int>(c / 2) * 7;
        for (size_t i = 0; i < 8; ++i) {
            tanks_[c].combs[i].buffer.assign(scaled(kCombTuning[i] + spread, sampleRate), 0.0f);
        }
        for (size_t i = 0; i < 4; ++i) {
            tanks_[c].allpasses[i].buffer.assign(scaled(kAllpassTuning[i] + spread, sampleRate),
                                                 0.0f);
        }
    }
    input_.assign(maxBlockFrames, 0.0f);
    left_.assign(maxBlockFrames, 0.0f);
    right_.assign(maxBlockFrames, 0.0f);
    const auto glide = static_cast<size_t>(kGlideSeconds * sampleRate);
    wetSame_.setRampFrames(glide);
    wetCross_.setRampFrames(glide);
    dryGain_.setRampFrames(glide);
    update();
    reset();
}

size_t ReverbUnit::tailFrames() const noexcept {
    // A sound passes one comb, then every all-pass in turn.
    size_t frames = 0;
    for (const Tank& tank : tanks_) {
        size_t longest = 0;
        for (const Line& comb : tank.combs) {
            longest = std::max(longest, comb.buffer.size());
        }
        for (const Line& allpass : tank.allpasses) {
            longest += allpass.buffer.size();
        }
        frames = std::max(frames, longest);
    }
    return frames;
}

void ReverbUnit::setParameter(int index, float value) noexcept {
    switch (index) {
    case 0:
        room_ = value;
        break;
    case 1:
        damp_ = value;
        break;
    case 2:
        wet_ = value;
        break;
    case 3:
        dry_ = value;
        break;
    case 4:
        width_ = value;
        break;
    case 5:
        frozen_ = value >= 0.5f;
        break;
    default:
        return;
    }
    update();
}

void ReverbUnit::update() noexcept {
    feedback_ = frozen_ ? 1.0f : room_ * kScaleRoom + kOffsetRoom;
    damping_ = frozen_ ? 0.0f : damp_ * kScaleDamp;
    inputGain_ = frozen_ ? 0.0f : kFixedGain;
    const float wet = wet_ * kScaleWet;
    wetSame_.setTarget(wet * (width_ / 2.0f + 0.5f));
    wetCross_.setTarget(wet * ((1.0f - width_) / 2.0f));
    // Dry is taken as it stands, so the dry part never rises above the input.
    dryGain_.setTarget(dry_);
}

void ReverbUnit::reset() noexcept {
    wetSame_.snap();
    wetCross_.snap();
    dryGain_.snap();
    for (Tank& tank : tanks_) {
        for (Line& line : tank.combs) {
            std::fill(line.buffer.begin(), line.buffer.end(), 0.0f);
            line.index = 0;
            line.store = 0.0f;
        }
        for (Line& line : tank.allpasses) {
            std::fill(line.buffer.begin(), line.buffer.end(), 0.0f);
            line.index = 0;
        }
    }
}

void ReverbUnit::runTank(Tank& tank, const float* input, float* output, size_t frames) noexcept {
    const f4 feedback = splat4(feedback_);
    const f4 damp1 = splat4(damping_);
    const f4 damp2 = splat4(1.0f - damping_);
    // All eight combs side by side, four to a vector: their damping memories form independent
    // chains that the processor overlaps. Spans end where some line wraps, so the inner loop
    // needs no position checks.
    float* lines[8];
    for (size_t c = 0; c < 8; ++c) {
        lines[c] = tank.combs[c].buffer.data() + tank.combs[c].index;
    }
    f4 storeLow = {tank.combs[0].store, tank.combs[1].store, tank.combs[2].store,
                   tank.combs[3].store};
    f4 storeHigh = {tank.combs[4].store, tank.combs[5].store, tank.combs[6].store,
                    tank.combs[7].store};
    // One frame of all eight combs.
    auto step = [&](f4 outLow, f4 outHigh, float in, f4& writeLow, f4& writeHigh) {
        storeLow = outLow * damp2 + storeLow * damp1;
        storeHigh = outHigh * damp2 + storeHigh * damp1;
        writeLow = splat4(in) + storeLow * feedback;
        writeHigh = splat4(in) + storeHigh * feedback;
    };
    for (size_t done = 0; done < frames;) {
        size_t span = frames - done;
        for (const Line& comb : tank.combs) {
            span = std::min(span, comb.buffer.size() - comb.index);
        }
        size_t i = 0;
        // Four frames at a time: each comb's four samples in one load, turned so that a vector
        // holds one frame of four combs, and back again for the store.
        for (; i + 4 <= span; i += 4) {
            f4 low[4], high[4];
#pragma GCC unroll 4
            for (size_t c = 0; c < 4; ++c) {
                low[c] = load4(lines[c] + i);
                high[c] = load4(lines[c + 4] + i);
            }
            // The sum of the combs' outputs, added as frame by frame below.
            store4(output + done + i, ((low[0] + high[0]) + (low[1] + high[1])) +
                                          ((low[2] + high[2]) + (low[3] + high[3])));
            transpose4(low);
            transpose4(high);
#pragma GCC unroll 4
            for (size_t j = 0; j < 4; ++j) {
                step(low[j], high[j], input[done + i + j], low[j], high[j]);
            }
            transpose4(low);
            transpose4(high);
#pragma GCC unroll 4
            for (size_t c = 0; c < 4; ++c) {
                store4(lines[c] + i, low[c]);
                store4(lines[c + 4] + i, high[c]);
            }
        }
        for (; i < span; ++i) {
            const f4 outLow = {lines[0][i], lines[1][i], lines[2][i], lines[3][i]};
            const f4 outHigh = {lines[4][i], lines[5][i], lines[6][i], lines[7][i]};
            f4 writeLow, writeHigh;
            step(outLow, outHigh, input[done + i], writeLow, writeHigh);
            for (size_t c = 0; c < 4; ++c) {
                lines[c][i] = writeLow[c];
                lines[c + 4][i] = writeHigh[c];
            }
            const f4 sum = outLow + outHigh;
            output[done + i] = (sum[0] + sum[1]) + (sum[2] + sum[3]);
        }
        for (size_t c = 0; c < 8; ++c) {
            Line& comb = tank.combs[c];
            comb.index += span;
            if (comb.index == comb.buffer.size()) {
                comb.index = 0;
            }
            lines[c] = comb.buffer.data() + comb.index;
        }
        done += span;
    }
    for (size_t c = 0; c < 4; ++c) {
        tank.combs[c].store = storeLow[c];
        tank.combs[c + 4].store = storeHigh[c];
    }
    // The allpasses in series, one after the other over the block, in spans that end where the
    // line wraps: a line is longer than a span, so a span never reads what it wrote.
    for (Line& allpass : tank.allpasses) {
        for (size_t done = 0; done < frames;) {
            const size_t span = std::min(frames - done, allpass.buffer.size() - allpass.index);
            float* line = allpass.buffer.data() + allpass.index;
            float* x = output + done;
            const f4 half = splat4(kAllpassFeedback);
            size_t i = 0;
            for (; i + 4 <= span; i += 4) {
                const f4 delayed = load4(line + i);
                const f4 in = load4(x + i);
                store4(line + i, in + delayed * half);
                store4(x + i, delayed - in);
            }
            for (; i < span; ++i) {
                const float delayed = line[i];
                line[i] = x[i] + delayed * kAllpassFeedback;
                x[i] = delayed - x[i];
            }
            allpass.index += span;
            if (allpass.index == allpass.buffer.size()) {
                allpass.index = 0;
            }
            done += span;
        }
    }
}

void ReverbUnit::process(float* interleaved, size_t frames, int channels) noexcept {
    const size_t stride = static_cast<size_t>(channels);
    const float gain = inputGain_;
    // Pairs of channels share one input, as in the original stereo design; a lone last channel
    // (mono, or the odd one out) runs by itself at the same level.
    for (size_t c = 0; c < stride; c += 2) {
        const bool pair = c + 1 < stride;
        float* base = interleaved + c;
        for (size_t i = 0; i < frames; ++i) {
            const float* frame = base + i * stride;
            input_[i] = (pair ? frame[0] + frame[1] : 2.0f * frame[0]) * gain;
        }
        runTank(tanks_[c], input_.data(), left_.data(), frames);
        if (pair) {
            runTank(tanks_[c + 1], input_.data(), right_.data(), frames);
        }
        SmoothedValue same = wetSame_, cross = wetCross_, dry = dryGain_;
        if (pair && !same.ramping() && !cross.ramping() && !dry.ramping()) {
            // Gains at rest (the usual case): read once for the block.
            const float w1 = same.current(), w2 = cross.current(), d = dry.current();
            size_t i = 0;
            if (stride == 2) {
                // Four frames at a time, each lane worked out as in the loop below.
                for (; i + 4 <= frames; i += 4) {
                    const f4 l = load4(left_.data() + i), r = load4(right_.data() + i);
                    float* frame = interleaved + 2 * i;
                    store4(frame, interleaveLow4(l, r) * w1 + interleaveLow4(r, l) * w2 +
                                      load4(frame) * d);
                    store4(frame + 4, interleaveHigh4(l, r) * w1 + interleaveHigh4(r, l) * w2 +
                                          load4(frame + 4) * d);
                }
            }
            for (; i < frames; ++i) {
                float* frame = base + i * stride;
                const float l = left_[i], r = right_[i];
                frame[0] = l * w1 + r * w2 + frame[0] * d;
                frame[1] = r * w1 + l * w2 + frame[1] * d;
            }
            continue;
        }
        for (size_t i = 0; i < frames; ++i) {
            const float w1 = same.next(), w2 = cross.next(), d = dry.next();
            float* frame = base + i * stride;
            if (pair) {
                const float l = left_[i], r = right_[i];
                frame[0] = l * w1 + r * w2 + frame[0] * d;
                frame[1] = r * w1 + l * w2 + frame[1] * d;
            } else {
                frame[0] = left_[i] * (w1 + w2) + frame[0] * d;
            }
        }
        if (c + 2 >= stride) {
            wetSame_ = same;
            wetCross_ = cross;
            dryGain_ = dry;
        }
    }
}

} // namespace soundlib
