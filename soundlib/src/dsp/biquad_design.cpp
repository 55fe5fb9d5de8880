#include "biquad_design.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>

namespace soundlib {
namespace {

// Above this share of the sample rate the cookbook designs lose their poles to the unit circle.
constexpr double kHighestShare = 0.49;

double angularFrequency(double hz, double sampleRate) {
    const double clamped = std::clamp(hz, 1e-3, kHighestShare * sampleRate);
    return 2.0 * std::numbers::pi * clamped / sampleRate;
}

BiquadCoefficients normalised(double b0, double b1, double b2, double a0, double a1, double a2) {
    return {b0 / a0, b1 / a0, b2 / a0, a1 / a0, a2 / a0};
}

} // namespace

double resonanceToQ(double resonance) {
    return std::max(resonance, 0.1) * std::numbers::sqrt2 / 2.0;
}

BiquadCoefficients lowPassCoefficients(double cutoffHz, double q, double sampleRate) {
    const double w0 = angularFrequency(cutoffHz, sampleRate);
    const double cosw = std::cos(w0);
    const double alpha = std::sin(w0) / (2.0 * q);
    const double b1 = 1.0 - cosw;
    return normalised(b1 / 2.0, b1, b1 / 2.0, 1.0 + alpha, -2.0 * cosw, 1.0 - alpha);
}

BiquadCoefficients highPassCoefficients(double cutoffHz, double q, double sampleRate) {
    const double w0 = angularFrequency(cutoffHz, sampleRate);
    const double cosw = std::cos(w0);
    const double alpha = std::sin(w0) / (2.0 * q);
    const double b1 = -(1.0 + cosw);
    return normalised(-b1 / 2.0, b1, -b1 / 2.0, 1.0 + alpha, -2.0 * cosw, 1.0 - alpha);
}

BiquadCoefficients peakingCoefficients(double centreHz, double bandwidthOctaves, double gain,
                                       double sampleRate) {
    // Keep the band clear of the top edge, where the bandwidth warping runs away.
    const double w0 = angularFrequency(std::min(centreHz, 0.45 * sampleRate), sampleRate);
    const double sinw = std::sin(w0);
    const double cosw = std::cos(w0);
    const double alpha = sinw * std::sinh(std::numbers::ln2 / 2.0 * bandwidthOctaves * w0 / sinw);
    const double a = std::sqrt(std::max(gain, 1e-6)); // amplitude factor -> the cookbook's A
    return normalised(1.0 + alpha * a, -2.0 * cosw, 1.0 - alpha * a, 1.0 + alpha / a, -2.0 * cosw,
                      1.0 - alpha / a);
}

double biquadMagnitude(const BiquadCoefficients& c, double frequencyHz, double sampleRate) {
    const double w = 2.0 * std::numbers::pi * frequencyHz / sampleRate;
    const std::complex<double> z1 = std::polar(1.0, -w);
    const std::complex<double> z2 = z1 * z1;
    return std::abs((c.b0 + c.b1 * z1 + c.b2 * z2) / (1.0 + c.a1 * z1 + c.a2 * z2));
}

} // namespace soundlib
