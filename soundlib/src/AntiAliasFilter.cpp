#include "AntiAliasFilter.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace soundlib {
namespace {

constexpr int kOrder = static_cast<int>(AntiAliasFilter::kSections) * 2;
// Where the pass band ends (3 dB down), as a fraction of the output rate.
constexpr double kBandEdge = 0.45;
// Floor of the stop band.
constexpr double kStopbandDb = 60.0;

} // namespace

std::array<AntiAliasFilter::Section, AntiAliasFilter::kSections>
AntiAliasFilter::design(double step) {
    using std::numbers::pi;
    // The analog prototype is placed on the bilinear transform's warped frequency axis, so the
    // corner lands exactly where it should at the source rate.
    const double inverseRipple = std::sqrt(std::pow(10.0, kStopbandDb / 10.0) - 1.0);
    const double corner = std::tan(pi * kBandEdge / std::max(step, 1.0));
    // An inverse Chebyshev is 3 dB down where the Chebyshev polynomial of (stop edge / w)
    // reaches the inverse ripple.
    const double stopEdge = corner * std::cosh(std::acosh(inverseRipple) / kOrder);
    const double mu = std::asinh(inverseRipple) / kOrder;

    std::array<Section, kSections> sections{};
    for (size_t k = 0; k < kSections; ++k) {
        const double theta = pi * static_cast<double>(2 * k + 1) / (2.0 * kOrder);
        // The Chebyshev pole of a unit pass band; the inverse Chebyshev pole is its reciprocal
        // scaled to the stop edge, and the zeros sit on the axis at stopEdge / cos(theta).
        const double re = -std::sinh(mu) * std::sin(theta);
        const double im = std::cosh(mu) * std::cos(theta);
        const double magnitude2 = re * re + im * im;
        const double poleRe = stopEdge * re / magnitude2;
        const double pole2 = stopEdge * stopEdge / magnitude2;
        const double zero = stopEdge / std::cos(theta);
        const double zero2 = zero * zero;
        // H(s) = g (s^2 + zero2) / (s^2 - 2 poleRe s + pole2), unity at DC, through
        // s = (1 - z^-1) / (1 + z^-1).
        const double g = pole2 / zero2;
        const double a0 = 1.0 - 2.0 * poleRe + pole2;
        Section& s = sections[k];
        s.b0 = g * (1.0 + zero2) / a0;
        s.b1 = g * (2.0 * zero2 - 2.0) / a0;
        s.b2 = s.b0;
        s.a1 = (2.0 * pole2 - 2.0) / a0;
        s.a2 = (1.0 + 2.0 * poleRe + pole2) / a0;
    }
    return sections;
}

void AntiAliasFilter::configure(double step, int channels) {
    if (step != designedStep_) {
        // Keeping the state across a change of corner is far smoother than starting over.
        sections_ = design(step);
        designedStep_ = step;
    }
    channels = std::clamp(channels, 1, kMaxChannels);
    if (channels != channels_) {
        channels_ = channels;
        running_ = false;
    }
}

int64_t AntiAliasFilter::begin(int64_t first, int64_t position, int64_t last, size_t maxFrames) {
    last_ = last;
    if (running_ && first <= next_ && next_ - first <= static_cast<int64_t>(kept_)) {
        start_ = first; // the overlap comes from the history
        return start_;
    }
    if (running_ && first > next_ && last - next_ < static_cast<int64_t>(maxFrames)) {
        start_ = next_; // frames the resampler skips over still go through the filter
        return start_;
    }
    // Afresh: filtering starts at the play position; the frames before it are held at its
    // value (for a stream just sought, they are not even there).
    running_ = false;
    start_ = first;
    next_ = std::clamp(position, first, last);
    kept_ = 0;
    return start_;
}

void AntiAliasFilter::prime(const float* frame) {
    // The state a constant input of this frame's value would have left: every section passes
    // DC at unity, so each sees the same value at its input and output.
    for (size_t k = 0; k < kSections; ++k) {
        const Section& s = sections_[k];
        for (int c = 0; c < channels_; ++c) {
            const double x = frame[c];
            double* z = &state_[(k * kMaxChannels + static_cast<size_t>(c)) * 2];
            z[1] = (s.b2 - s.a2) * x;
            z[0] = (s.b1 - s.a1) * x + z[1];
        }
    }
}

template <int Channels> void AntiAliasFilter::run(float* frames, size_t count) {
    // Each frame goes through all the sections in turn: the sections' recurrences then overlap
    // in the processor instead of adding up, and so do the channels'.
    const std::array<Section, kSections> sections = sections_;
    std::array<double, kSections * Channels> z0, z1;
    for (size_t k = 0; k < kSections; ++k) {
        for (int c = 0; c < Channels; ++c) {
            z0[k * Channels + c] = state_[(k * kMaxChannels + c) * 2];
            z1[k * Channels + c] = state_[(k * kMaxChannels + c) * 2 + 1];
        }
    }
    for (float* p = frames; p < frames + count * Channels; p += Channels) {
        std::array<double, Channels> x;
        for (int c = 0; c < Channels; ++c) {
            // A broken sample (NaN, infinity in a damaged float file) would spread through the
            // recursion to every later frame: it goes in as silence instead.
            x[c] = std::isfinite(p[c]) ? p[c] : 0.0;
        }
        for (size_t k = 0; k < kSections; ++k) {
            const Section& s = sections[k];
            for (int c = 0; c < Channels; ++c) {
                double& a = z0[k * Channels + c];
                double& b = z1[k * Channels + c];
                const double y = s.b0 * x[c] + a;
                a = s.b1 * x[c] - s.a1 * y + b;
                b = s.b2 * x[c] - s.a2 * y;
                x[c] = y;
            }
        }
        for (int c = 0; c < Channels; ++c) {
            p[c] = static_cast<float>(x[c]);
        }
    }
    for (size_t k = 0; k < kSections; ++k) {
        for (int c = 0; c < Channels; ++c) {
            state_[(k * kMaxChannels + c) * 2] = z0[k * Channels + c];
            state_[(k * kMaxChannels + c) * 2 + 1] = z1[k * Channels + c];
        }
    }
}

void AntiAliasFilter::process(float* frames, size_t available) {
    const size_t channels = static_cast<size_t>(channels_);
    // Frames the last block filtered already: taken from the history, never filtered twice.
    const int64_t fromHistory = std::min(next_, last_ + 1) - start_;
    if (running_ && fromHistory > 0) {
        const float* source =
            history_.data() + (kept_ - static_cast<size_t>(next_ - start_)) * channels;
        std::copy(source, source + static_cast<size_t>(fromHistory) * channels, frames);
    }
    const int64_t end = start_ + static_cast<int64_t>(available);
    if (end <= next_) {
        return; // nothing new: the history stays as it is
    }
    float* fresh = frames + static_cast<size_t>(next_ - start_) * channels;
    const size_t count = static_cast<size_t>(end - next_);
    if (!running_) {
        prime(fresh);
        for (float* held = frames; held < fresh; held += channels) {
            std::copy(fresh, fresh + channels, held);
        }
        running_ = true;
    }
    if (channels == 1) {
        run<1>(fresh, count);
    } else {
        run<2>(fresh, count);
    }
    if (!std::all_of(state_.begin(), state_.end(), [](double v) { return std::isfinite(v); })) {
        // A broken frame (NaN, infinity) would poison the recursion for good: start afresh.
        running_ = false;
    }
    next_ = end;
    const size_t filtered = static_cast<size_t>(end - start_);
    kept_ = std::min(kHistoryFrames, filtered);
    const float* tail = frames + (filtered - kept_) * channels;
    std::copy(tail, tail + kept_ * channels, history_.data());
}

} // namespace soundlib
