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

// Keep a peaking band clear of the top edge, where the bandwidth warping runs away.
double peakingAngularFrequency(double centreHz, double sampleRate) {
    return angularFrequency(std::min(centreHz, 0.45 * sampleRate), sampleRate);
}

SvfCoefficients svfWith(double w0, double k, double m0, double m1, double m2) {
    SvfCoefficients c;
    c.g = std::tan(w0 / 2.0);
    c.k = k;
    c.a1 = 1.0 / (1.0 + c.g * (c.g + k));
    c.a2 = c.g * c.a1;
    c.a3 = c.g * c.a2;
    c.m0 = m0;
    c.m1 = m1;
    c.m2 = m2;
    return c;
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

double peakingQ(double centreHz, double bandwidthOctaves, double sampleRate) {
    const double w0 = peakingAngularFrequency(centreHz, sampleRate);
    const double q =
        0.5 / std::sinh(std::numbers::ln2 / 2.0 * bandwidthOctaves * w0 / std::sin(w0));
    return std::max(q, kLowestPeakingQ);
}

BiquadCoefficients peakingCoefficients(double centreHz, double bandwidthOctaves, double gain,
                                       double sampleRate) {
    const double w0 = peakingAngularFrequency(centreHz, sampleRate);
    const double sinw = std::sin(w0);
    const double cosw = std::cos(w0);
    const double alpha = sinw / (2.0 * peakingQ(centreHz, bandwidthOctaves, sampleRate));
    const double a = std::sqrt(std::max(gain, 1e-6)); // amplitude factor -> the cookbook's A
    return normalised(1.0 + alpha * a, -2.0 * cosw, 1.0 - alpha * a, 1.0 + alpha / a, -2.0 * cosw,
                      1.0 - alpha / a);
}

SvfCoefficients svfLowPass(double cutoffHz, double q, double sampleRate) {
    return svfWith(angularFrequency(cutoffHz, sampleRate), 1.0 / q, 0.0, 0.0, 1.0);
}

SvfCoefficients svfHighPass(double cutoffHz, double q, double sampleRate) {
    return svfWith(angularFrequency(cutoffHz, sampleRate), 1.0 / q, 1.0, -1.0 / q, -1.0);
}

SvfCoefficients svfPeaking(double centreHz, double bandwidthOctaves, double gain,
                           double sampleRate) {
    const double a = std::sqrt(std::max(gain, 1e-6)); // amplitude factor -> the cookbook's A
    // The poles' damping is 1 / (Q A), the zeros' A / Q: the band passes x + k (A^2 - 1) band.
    const double k = 1.0 / (peakingQ(centreHz, bandwidthOctaves, sampleRate) * a);
    return svfWith(peakingAngularFrequency(centreHz, sampleRate), k, 1.0, k * (a * a - 1.0), 0.0);
}

double svfMagnitude(const SvfCoefficients& c, double frequencyHz, double sampleRate) {
    // The bilinear image of the analog prototype with its corner at 1: s = j tan(w / 2) / g.
    const double w = 2.0 * std::numbers::pi * frequencyHz / sampleRate;
    const std::complex<double> s(0.0, std::tan(w / 2.0) / c.g);
    const std::complex<double> denominator = s * s + c.k * s + 1.0;
    return std::abs((c.m0 * denominator + c.m1 * s + c.m2) / denominator);
}

double biquadMagnitude(const BiquadCoefficients& c, double frequencyHz, double sampleRate) {
    const double w = 2.0 * std::numbers::pi * frequencyHz / sampleRate;
    const std::complex<double> z1 = std::polar(1.0, -w);
    const std::complex<double> z2 = z1 * z1;
    return std::abs((c.b0 + c.b1 * z1 + c.b2 * z2) / (1.0 + c.a1 * z1 + c.a2 * z2));
}

} // namespace soundlib
