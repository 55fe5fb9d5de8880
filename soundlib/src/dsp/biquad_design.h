// Second-order filter coefficients after Robert Bristow-Johnson's audio EQ cookbook, and the
// response they give. Pure arithmetic, in double precision: low bands near 20 Hz need it.
#pragma once

namespace soundlib {

// Normalised so that a0 = 1: y = b0 x + b1 x[-1] + b2 x[-2] - a1 y[-1] - a2 y[-2].
struct BiquadCoefficients {
    double b0 = 1.0, b1 = 0.0, b2 = 0.0, a1 = 0.0, a2 = 0.0;
};

// Frequencies are clamped below the Nyquist frequency, where the designs stop being stable.
BiquadCoefficients lowPassCoefficients(double cutoffHz, double q, double sampleRate);
BiquadCoefficients highPassCoefficients(double cutoffHz, double q, double sampleRate);
// Peaking band: `gain` is the linear amplitude factor at the centre; the bandwidth in octaves
// is measured between the points where the gain in dB is half the centre's.
BiquadCoefficients peakingCoefficients(double centreHz, double bandwidthOctaves, double gain,
                                       double sampleRate);

// |H| at `frequencyHz`.
double biquadMagnitude(const BiquadCoefficients& c, double frequencyHz, double sampleRate);

// The resonance setting of the pass filters (1 = none, 10 = most) as the filter's Q: 1 gives
// the maximally flat 1/sqrt(2), 3 dB down at the cutoff.
double resonanceToQ(double resonance);

} // namespace soundlib
