#include "PitchShiftUnit.h"

#include "fast_math.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <numbers>

namespace soundlib {
namespace {

constexpr double kFadeSeconds = 0.005;

// For each mask of four lanes, the lanes set in it in order (then padding), and how many.
constexpr int32_t kPeakLanes[16][4] = {{0, 0, 0, 0}, {0, 0, 0, 0}, {1, 0, 0, 0}, {0, 1, 0, 0},
                                       {2, 0, 0, 0}, {0, 2, 0, 0}, {1, 2, 0, 0}, {0, 1, 2, 0},
                                       {3, 0, 0, 0}, {0, 3, 0, 0}, {1, 3, 0, 0}, {0, 1, 3, 0},
                                       {2, 3, 0, 0}, {0, 2, 3, 0}, {1, 2, 3, 0}, {0, 1, 2, 3}};
constexpr uint8_t kPeakCounts[16] = {0, 1, 1, 2, 1, 2, 2, 3, 1, 2, 2, 3, 2, 3, 3, 4};

// f(i, at) for i = 0, 4, .. n - 4 and at its ring position from `start`, in two straight runs:
// the first may reach past the ring's end into the copies of its first frames.
template <size_t Ring, typename F> void alongRingOf(size_t start, size_t n, F f) {
    const size_t split = std::min(n, (Ring - start + 3) & ~size_t{3});
    for (size_t i = 0; i < split; i += 4) {
        f(i, start + i);
    }
    for (size_t i = split; i < n; i += 4) {
        f(i, start + i - Ring);
    }
}

size_t indexOfSize(size_t size) {
    return static_cast<size_t>(std::countr_zero(size)) - 8; // 256 -> 0
}

// A steady partial that sits d bins off the frequency its phase advances at from frame to
// frame: each frame holds it under the Hann window twice, w^2 = 3/8 - 1/2 cos + 1/8 cos 2, and
// the overlap-add keeps Q(d) / Q(0) of its level, Q being the transform of w^2 (five sincs).
// With H frames overlapping it also ripples at the hop rate, by Q(d - H) and Q(d + H).
double sinc(double x) {
    return x == 0.0 ? 1.0 : std::sin(std::numbers::pi * x) / (std::numbers::pi * x);
}

double squaredHannTransform(double d) {
    return 3.0 / 8.0 * sinc(d) + 0.25 * (sinc(d - 1.0) + sinc(d + 1.0)) +
           1.0 / 16.0 * (sinc(d - 2.0) + sinc(d + 2.0));
}

// Q(d) / sin(pi d): the five sincs share that factor up to sign. Finite for |d| > 2.
double squaredHannOverSine(double d) {
    const double d2 = d * d;
    return (3.0 / 8.0 + d2 / (2.0 * (1.0 - d2)) - d2 / (8.0 * (4.0 - d2))) / (std::numbers::pi * d);
}

} // namespace

std::array<double, 3> PitchShiftUnit::fractionalShiftWeights(double offset, double overlap) {
    // Below four frames the windows' own overlap ripples anyway; from six on the ripple is
    // -70 dB or less, and the weights would only reshape the frames (more with every frame, as
    // the conditions grow ill-posed). There only the level is restored.
    if (!(overlap >= 4.0 && overlap < 6.0)) {
        return {0.0, squaredHannTransform(0.0) / squaredHannTransform(offset), 0.0};
    }
    // Weights a(j) of bins k + j, j = -1, 0, 1, multiply each frame by
    // a(0) - a(1) e^(-i x) - a(-1) e^(i x), x the angle from the frame's middle. A partial then
    // keeps sum (-1)^j a(j) Q(d + j) of its level and ripples by sum (-1)^j a(j) Q(d + j +- H).
    // In the ripple's sums every Q shares sin(pi (d +- H)) up to that same sign (-1)^j; divided
    // out, the condition stays well posed where the ripple vanishes anyway (d = 0 at a whole H)
    // and the weights run on smoothly through it. Full level, no ripple either side: three
    // equations for three weights.
    double m[3][4];
    for (int j = -1; j <= 1; ++j) {
        const auto c = static_cast<size_t>(j + 1);
        m[0][c] = (j == 0 ? 1.0 : -1.0) * squaredHannTransform(offset + j);
        m[1][c] = squaredHannOverSine(offset + j + overlap);
        m[2][c] = squaredHannOverSine(offset + j - overlap);
    }
    m[0][3] = squaredHannTransform(0.0);
    m[1][3] = m[2][3] = 0.0;
    // Gaussian elimination with partial pivoting.
    for (size_t col = 0; col < 3; ++col) {
        size_t pivot = col;
        for (size_t r = col + 1; r < 3; ++r) {
            if (std::fabs(m[r][col]) > std::fabs(m[pivot][col])) {
                pivot = r;
            }
        }
        std::swap(m[col], m[pivot]);
        for (size_t r = 0; r < 3; ++r) {
            if (r != col) {
                const double f = m[r][col] / m[col][col];
                for (size_t c = col; c < 4; ++c) {
                    m[r][c] -= f * m[col][c];
                }
            }
        }
    }
    return {m[0][3] / m[0][0], m[1][3] / m[1][1], m[2][3] / m[2][2]};
}

void PitchShiftUnit::prepare(int sampleRate, int channels, size_t) {
    channels_ = static_cast<size_t>(channels);
    for (size_t i = 0; i < kSizes; ++i) {
        const size_t size = size_t{256} << i;
        if (!ffts_[i]) {
            ffts_[i] = std::make_unique<RealFft>(size);
        }
        windows_[i].resize(size);
        for (size_t n = 0; n < size; ++n) {
            windows_[i][n] = static_cast<float>(
                0.5 - 0.5 * std::cos(2.0 * std::numbers::pi * static_cast<double>(n) / size));
        }
    }
    input_.assign(channels_ * kRingStride, 0.0f);
    output_.assign(channels_ * kRingStride, 0.0f);
    for (auto* last : {&lastRe_, &lastIm_, &lastTurn_}) {
        last->resize(channels_);
        for (auto& v : *last) {
            v.assign(kPadded, 0.0f);
        }
    }
    frame_.assign(kMaxSize, 0.0f);
    for (auto* v : {&re_, &im_, &power_, &outRe_, &outIm_, &turn_, &turnPower_, &peakCrossRe_,
                    &peakCrossIm_, &peakExpected_, &peakBin_, &peakShifted_, &peakMove_,
                    &peakOffset_, &peakDelta_, &peakTurn_, &peakSine_, &peakCosine_}) {
        v->assign(kPadded, 0.0f);
    }
    peaks_.assign(kMaxBins, 0);
    peakWeights_.assign(4 * kPadded, 0.0f);
    fadeStep_ = static_cast<float>(1.0 / std::max(1.0, kFadeSeconds * sampleRate));
    reset();
}

void PitchShiftUnit::setParameter(int index, float value) noexcept {
    switch (index) {
    case 0:
        pitch_ = value;
        break;
    case 1:
        wantedSize_ = static_cast<size_t>(value);
        break;
    case 2:
        wantedOverlap_ = static_cast<size_t>(value);
        break;
    case 3:
        maxChannels_ = static_cast<int>(value);
        break;
    default:
        break;
    }
}

void PitchShiftUnit::configure() noexcept {
    size_ = wantedSize_;
    overlap_ = wantedOverlap_;
    hop_ = std::max<size_t>(1, size_ / overlap_);
    sizeIndex_ = indexOfSize(size_);
    // Analysis and synthesis both apply the window, so the frames overlap-add to sum(w^2) / hop
    // on average; the inverse transform adds a factor of the size.
    double squares = 0.0;
    for (float w : windows_[sizeIndex_]) {
        squares += static_cast<double>(w) * w;
    }
    norm_ = static_cast<float>(static_cast<double>(hop_) / (static_cast<double>(size_) * squares));
    // Frames overlapping at any moment, exactly: a hop need not divide the size.
    const double overlap = static_cast<double>(size_) / static_cast<double>(hop_);
    std::array<float, 3> previous{};
    for (size_t i = 0; i < kOffsetSteps; ++i) {
        const double offset = static_cast<double>(i) / static_cast<double>(kOffsetSteps - 1) - 0.5;
        const auto w = fractionalShiftWeights(offset, overlap);
        for (size_t j = 0; j < 3; ++j) {
            const auto weight = static_cast<float>(w[j]);
            if (i + 1 < kOffsetSteps) {
                weights_[8 * i + j] = weight;
            }
            if (i > 0) {
                weights_[8 * (i - 1) + 4 + j] = weight - previous[j];
            }
            previous[j] = weight;
        }
    }
    std::fill(output_.begin(), output_.end(), 0.0f);
    running_ = false;
    mix_ = 0.0f;
}

void PitchShiftUnit::startVocoder() noexcept {
    for (auto* last : {&lastRe_, &lastIm_, &lastTurn_}) {
        for (auto& v : *last) {
            std::fill(v.begin(), v.end(), 0.0f);
        }
    }
    std::fill(output_.begin(), output_.end(), 0.0f);
    running_ = true;
    warmup_ = size_;
    untilFrame_ = hop_;
}

void PitchShiftUnit::reset() noexcept {
    std::fill(input_.begin(), input_.end(), 0.0f);
    at_ = 0;
    switchGain_ = 1.0f;
    configure();
    if (pitch_ != 1.0f) {
        startVocoder();
    }
}

void PitchShiftUnit::process(float* interleaved, size_t frames, int channels) noexcept {
    const size_t stride = static_cast<size_t>(channels);
    const size_t shifted =
        maxChannels_ <= 0 ? stride : std::min(stride, static_cast<size_t>(maxChannels_));
    for (size_t i = 0; i < frames;) {
        const bool reconfigure = wantedSize_ != size_ || wantedOverlap_ != overlap_;
        const bool wantVocoder = pitch_ != 1.0f;
        const bool settled = !reconfigure && switchGain_ == 1.0f && warmup_ == 0 &&
                             (wantVocoder ? running_ && mix_ == 1.0f : !running_ && mix_ == 0.0f);
        if (settled) {
            // Nothing fades: straight runs up to the next analysis frame.
            const size_t run = running_ ? std::min(frames - i, untilFrame_) : frames - i;
            for (size_t done = 0; done < run;) {
                // Stretches in which neither ring position wraps, a channel at a time (or a
                // stereo pair together) rather than frame by frame.
                const size_t at = (at_ + 1) & kRingMask;
                const size_t delayed = (at - size_) & kRingMask;
                const size_t length = std::min({run - done, kRing - at, kRing - delayed});
                size_t paired = 0;
                if (stride == 2 && running_ && shifted == 2) {
                    // Stereo, both shifted: four frames at a time, taken apart and put back.
                    float* inLeft = input_.data() + at;
                    float* inRight = inLeft + kRingStride;
                    float* outLeft = output_.data() + at;
                    float* outRight = outLeft + kRingStride;
                    float* sample = interleaved + (i + done) * 2;
                    const f4 zero = splat4(0.0f);
                    for (; paired + 4 <= length; paired += 4) {
                        const f4 a = load4(sample + 2 * paired);
                        const f4 b = load4(sample + 2 * paired + 4);
                        store4(inLeft + paired, evens4(a, b));
                        store4(inRight + paired, odds4(a, b));
                        const f4 left = load4(outLeft + paired);
                        const f4 right = load4(outRight + paired);
                        store4(sample + 2 * paired, interleaveLow4(left, right));
                        store4(sample + 2 * paired + 4, interleaveHigh4(left, right));
                        store4(outLeft + paired, zero);
                        store4(outRight + paired, zero);
                    }
                }
                for (size_t c = 0; c < stride; ++c) {
                    float* ring = input_.data() + c * kRingStride;
                    float* input = ring + at;
                    float* output = output_.data() + c * kRingStride + at;
                    float* sample = interleaved + (i + done) * stride + c;
                    if (running_ && c < shifted) {
                        for (size_t k = paired; k < length; ++k) {
                            input[k] = sample[k * stride];
                            sample[k * stride] = output[k];
                            output[k] = 0.0f;
                        }
                    } else {
                        // (Reads may reach what this same loop wrote: a block longer than
                        // the delay.)
                        const float* plain = ring + delayed;
                        for (size_t k = 0; k < length; ++k) {
                            input[k] = sample[k * stride];
                            sample[k * stride] = plain[k];
                            output[k] = 0.0f;
                        }
                    }
                    // The ring's first frames again after its end, for four-wide reads.
                    for (size_t j = at; j < std::min<size_t>(4, at + length); ++j) {
                        ring[kRing + j] = ring[j];
                    }
                }
                at_ = at + length - 1;
                done += length;
            }
            i += run;
            if (running_ && (untilFrame_ -= run) == 0) {
                untilFrame_ = hop_;
                for (size_t c = 0; c < shifted; ++c) {
                    runFrame(c);
                }
            }
            continue;
        }

        // A new size or overlap changes the delay: fade out, switch, fade back in.
        if (reconfigure) {
            switchGain_ = std::max(0.0f, switchGain_ - fadeStep_);
            if (switchGain_ == 0.0f) {
                configure();
            }
        } else if (switchGain_ < 1.0f) {
            switchGain_ = std::min(1.0f, switchGain_ + fadeStep_);
        }
        if (wantVocoder && !running_) {
            startVocoder();
        }
        if (warmup_ > 0) {
            --warmup_;
        }
        const float target = wantVocoder && running_ && warmup_ == 0 ? 1.0f : 0.0f;
        mix_ =
            target > mix_ ? std::min(target, mix_ + fadeStep_) : std::max(target, mix_ - fadeStep_);
        if (!wantVocoder && running_ && mix_ == 0.0f) {
            running_ = false;
        }

        const size_t at = (at_ + 1) & kRingMask;
        at_ = at;
        const size_t delayed = (at - size_) & kRingMask;
        float* frame = interleaved + i * stride;
        for (size_t c = 0; c < stride; ++c) {
            float* input = input_.data() + c * kRingStride;
            float* output = output_.data() + c * kRingStride;
            input[at] = frame[c];
            if (at < 4) {
                input[kRing + at] = frame[c];
            }
            const float plain = input[delayed];
            float y = plain;
            if (c < shifted) {
                y += mix_ * (output[at] - plain);
            }
            output[at] = 0.0f;
            frame[c] = y * switchGain_;
        }
        if (running_ && --untilFrame_ == 0) {
            untilFrame_ = hop_;
            for (size_t c = 0; c < shifted; ++c) {
                runFrame(c);
            }
        }
        ++i;
    }
}

void PitchShiftUnit::runFrame(size_t channel) noexcept {
    const size_t n = size_;
    const size_t half = n / 2;
    const float* window = windows_[sizeIndex_].data();
    RealFft& fft = *ffts_[sizeIndex_];
    const float* input = input_.data() + channel * kRingStride;
    float* output = output_.data() + channel * kRingStride;
    const float* lastRe = lastRe_[channel].data() + 1;
    const float* lastIm = lastIm_[channel].data() + 1;
    const float* lastTurn = lastTurn_[channel].data();
    // One guard bin below the spectrum and one above it, for the three-bin filter.
    float* re = re_.data() + 1;
    float* im = im_.data() + 1;

    // The newest n input frames, windowed.
    alongRingOf<kRing>((at_ + 1 - n) & kRingMask, n, [&](size_t i, size_t at) {
        store4(frame_.data() + i, load4(input + at) * load4(window + i));
    });
    fft.forward(frame_.data(), re, im);
    // A real frame's spectrum mirrors into its conjugate beyond either end.
    re[-1] = re[1];
    im[-1] = -im[1];
    re[half + 1] = re[half - 1];
    im[half + 1] = -im[half - 1];

    // Four bins at a time up to the next multiple of four past half (the arrays have room).
    const size_t rounded = (half + 4) & ~size_t{3};
    f4 loudest4 = splat4(0.0f);
    const f4 zero = splat4(0.0f);
    for (size_t k = 0; k < rounded; k += 4) {
        const f4 r = load4(re + k), i = load4(im + k);
        const f4 power = r * r + i * i;
        store4(power_.data() + k, power);
        loudest4 = power > loudest4 ? power : loudest4;
        store4(outRe_.data() + k, zero);
        store4(outIm_.data() + k, zero);
        store4(turn_.data() + k, zero);
        store4(turnPower_.data() + k, zero);
    }
    float loudest = 0.0f;
    for (size_t lane = 0; lane < 4; ++lane) {
        loudest = std::max(loudest, loudest4[lane]);
    }
    // Peaks: local maxima not lost in rounding noise (120 dB under the loudest).
    const float noiseFloor = loudest * 1e-12f;
    // Peaks are bins louder than their four nearest neighbours, as Laroche and Dolson define
    // them. Four bins are compared at once and written without branches: in noise, whether a
    // bin is a peak is a coin toss. (power_ runs a few bins past half; those are never taken.)
    size_t peakCount = 0;
    const float* power = power_.data();
    // Bin 1's neighbours below are bin 0 and its own mirror image: without this a bass tone
    // between one and two bins (43 to 86 Hz at 1024) finds no peak and goes silent. (Bin 0 is
    // real, its phase tells no frequency; it goes with the region above.)
    if (power[1] > power[0] && power[1] >= power[2] && power[1] >= power[3] &&
        power[1] > noiseFloor) {
        peaks_[peakCount++] = 1;
    }
    const f4 floor4 = splat4(noiseFloor);
    // Lanes past the last bin but two are masked off, in the final four only.
    auto scan = [&](size_t k, bool end) {
        const f4 here = load4(power + k);
        i4 isPeak = (here > load4(power + k - 1)) & (here >= load4(power + k + 1)) &
                    (here > load4(power + k - 2)) & (here >= load4(power + k + 2)) &
                    (here > floor4);
        const auto k4 = static_cast<int32_t>(k);
        if (end) {
            isPeak &= i4{0, 1, 2, 3} + k4 + 2 <= static_cast<int32_t>(half);
        }
        const unsigned mask = laneMask4(isPeak);
        // The peaks' bins packed to the front; the slots after them are overwritten next.
        i4 lanes;
        std::memcpy(&lanes, &kPeakLanes[mask], sizeof lanes);
        lanes += k4;
        std::memcpy(peaks_.data() + peakCount, &lanes, sizeof lanes);
        peakCount += kPeakCounts[mask];
    };
    size_t k = 2;
    for (; k + 5 <= half; k += 4) {
        scan(k, false);
    }
    for (; k + 2 <= half; k += 4) {
        scan(k, true);
    }

    // Each peak's true frequency, in bins: its phase moved by the bin centre's share of a hop
    // plus the deviation (the expected move taken modulo whole turns first, so that float
    // keeps its precision on high bins). The turn given to its region grows each hop by the
    // frequency change, so the partial's phase advances at the new frequency.
    const float hopAngle = kTwoPi * static_cast<float>(hop_) / static_cast<float>(n);
    const float perBin = kTwoPi / static_cast<float>(n);
    const auto hop4 = static_cast<int32_t>(hop_);
    const auto wrap4 = static_cast<int32_t>(n - 1);
    for (size_t p = 0; p < peakCount; p += 4) {
        // (Slots past the count hold bins from earlier scans: harmless to read.)
        i4 k;
        std::memcpy(&k, peaks_.data() + p, sizeof k);
        auto gather = [&](const float* from) {
            return f4{from[k[0]], from[k[1]], from[k[2]], from[k[3]]};
        };
        const f4 r = gather(re), i = gather(im), lr = gather(lastRe), li = gather(lastIm);
        store4(peakCrossRe_.data() + p, r * lr + i * li);
        store4(peakCrossIm_.data() + p, i * lr - r * li);
        store4(peakExpected_.data() + p, perBin * __builtin_convertvector((k * hop4) & wrap4, f4));
        store4(peakBin_.data() + p, __builtin_convertvector(k, f4));
    }
    const f4 pitch = splat4(pitch_);
    const f4 toBins = splat4(1.0f / hopAngle);
    for (size_t p = 0; p < peakCount; p += 4) {
        const f4 angle = fastAtan2(load4(peakCrossIm_.data() + p), load4(peakCrossRe_.data() + p));
        const f4 deviation = wrapPhase(angle - load4(peakExpected_.data() + p));
        const f4 frequency = load4(peakBin_.data() + p) + deviation * toBins;
        const f4 shifted = frequency * pitch;
        const f4 move = shifted - frequency;
        const f4 whole = roundNearest(move);
        store4(peakShifted_.data() + p, roundNearest(shifted));
        store4(peakMove_.data() + p, whole);
        store4(peakOffset_.data() + p, move - whole);
        store4(peakDelta_.data() + p, move * hopAngle);
    }
    // A region carries on from the region that landed on its target bin last frame.
    const auto lastBin = static_cast<ptrdiff_t>(half);
    for (size_t p = 0; p < peakCount; ++p) {
        const auto target = static_cast<ptrdiff_t>(peakShifted_[p]);
        const float previous =
            target >= 0 && target <= lastBin ? lastTurn[static_cast<size_t>(target)] : 0.0f;
        peakTurn_[p] = previous + peakDelta_[p];
    }
    // Each region's turn and three-bin filter. Moving by one bin turns a frame's middle by half
    // a turn: undone, so that the middle, where the windows weigh most, keeps the phase carried
    // on even when the move changes.
    const f4 lastStep = splat4(static_cast<float>(kOffsetSteps - 1));
    for (size_t p = 0; p < peakCount; p += 4) {
        const f4 turn = wrapPhase(load4(peakTurn_.data() + p));
        f4 sine, cosine;
        fastSinCos(turn, sine, cosine);
        const i4 odd = (__builtin_convertvector(load4(peakMove_.data() + p), i4) & 1) != 0;
        store4(peakTurn_.data() + p, turn);
        store4(peakSine_.data() + p, odd ? -sine : sine);
        store4(peakCosine_.data() + p, odd ? -cosine : cosine);
        // Weights interpolated between the table's steps (a NaN offset from unused lanes
        // lands on step 0).
        f4 position = load4(peakOffset_.data() + p) + 0.5f;
        position = position > 0.0f ? position : splat4(0.0f);
        position = (position < 1.0f ? position : splat4(1.0f)) * lastStep;
        i4 step = __builtin_convertvector(position, i4);
        step = step < static_cast<int32_t>(kOffsetSteps - 2) ? step : splat4i(kOffsetSteps - 2);
        const f4 fraction = position - __builtin_convertvector(step, f4);
        for (size_t lane = 0; lane < 4; ++lane) {
            const float* row = weights_.data() + 8 * static_cast<size_t>(step[lane]);
            store4(peakWeights_.data() + 4 * (p + lane),
                   load4(row) + splat4(fraction[lane]) * load4(row + 4));
        }
    }

    // Every region moves by its whole number of bins, the three-bin filter making up the rest,
    // and is turned by its peak's turn; it reaches halfway to the neighbouring peaks. Shifted
    // regions may land on each other (downwards, a higher region lands on a lower one's
    // target): each output bin keeps the turn of its loudest source, so a faint region never
    // takes over a loud partial's phase for the next frame.
    ptrdiff_t written = -1; // the highest output bin a region has reached
    for (size_t p = 0; p < peakCount; ++p) {
        const auto k = static_cast<size_t>(peaks_[p]);
        const auto shift = static_cast<ptrdiff_t>(peakMove_[p]);
        const float sine = peakSine_[p], cosine = peakCosine_[p], turn = peakTurn_[p];
        const float* weights = peakWeights_.data() + 4 * p;
        const float below = weights[0], middle = weights[1], above = weights[2];
        const size_t from = p == 0 ? 0 : (static_cast<size_t>(peaks_[p - 1]) + k) / 2 + 1;
        const size_t to = p + 1 == peakCount ? half : (k + static_cast<size_t>(peaks_[p + 1])) / 2;
        const ptrdiff_t first = std::max<ptrdiff_t>(static_cast<ptrdiff_t>(from), -shift);
        const ptrdiff_t last = std::min<ptrdiff_t>(static_cast<ptrdiff_t>(to), lastBin - shift);
        if (first > last) {
            continue;
        }
        if (first + shift > written) {
            // Above every bin written so far, where all still hold zero: four bins at a time,
            // stored without reading them back; lanes past the end store the zeros they held.
            const f4 below4 = splat4(below), middle4 = splat4(middle), above4 = splat4(above);
            const f4 sine4 = splat4(sine), cosine4 = splat4(cosine), turn4 = splat4(turn);
            const i4 end = splat4i(static_cast<int32_t>(last));
            for (ptrdiff_t b = first; b <= last; b += 4) {
                const i4 inside = splat4i(static_cast<int32_t>(b)) + i4{0, 1, 2, 3} <= end;
                const f4 r = below4 * load4(re + b - 1) + middle4 * load4(re + b) +
                             above4 * load4(re + b + 1);
                const f4 i = below4 * load4(im + b - 1) + middle4 * load4(im + b) +
                             above4 * load4(im + b + 1);
                const auto dst = static_cast<size_t>(b + shift);
                const f4 source = load4(power + b);
                // As the general loop below would leave them, zeros and all.
                const i4 louder = (source >= zero) & inside;
                store4(outRe_.data() + dst, inside ? zero + (r * cosine4 - i * sine4) : zero);
                store4(outIm_.data() + dst, inside ? zero + (r * sine4 + i * cosine4) : zero);
                store4(turn_.data() + dst, louder ? turn4 : zero);
                store4(turnPower_.data() + dst, louder ? source : zero);
            }
            written = last + shift;
            continue;
        }
        written = std::max(written, last + shift);
        for (ptrdiff_t b = first; b <= last; ++b) {
            const auto src = static_cast<size_t>(b);
            const auto dst = static_cast<size_t>(b + shift);
            const float r = below * re[b - 1] + middle * re[b] + above * re[b + 1];
            const float i = below * im[b - 1] + middle * im[b] + above * im[b + 1];
            outRe_[dst] += r * cosine - i * sine;
            outIm_[dst] += r * sine + i * cosine;
            // Written without a branch: which region is louder is a coin toss in noise.
            const bool louder = power[src] >= turnPower_[dst];
            turn_[dst] = louder ? turn : turn_[dst];
            turnPower_[dst] = louder ? power[src] : turnPower_[dst];
        }
    }
    // This frame becomes the channel's last; its old last is the next frame's scratch.
    std::swap(re_, lastRe_[channel]);
    std::swap(im_, lastIm_[channel]);
    std::swap(turn_, lastTurn_[channel]);

    outIm_[0] = 0.0f;
    outIm_[half] = 0.0f;
    fft.inverse(outRe_.data(), outIm_.data(), frame_.data());
    const f4 norm = splat4(norm_);
    alongRingOf<kRing>((at_ + 1) & kRingMask, n, [&](size_t i, size_t at) {
        store4(output + at,
               load4(output + at) + load4(frame_.data() + i) * load4(window + i) * norm);
    });
    // What ran past the end belongs at the start.
    for (size_t i = 0; i < 4; ++i) {
        output[i] += output[kRing + i];
        output[kRing + i] = 0.0f;
    }
}

} // namespace soundlib
