// Second-order filter coefficients after Robert Bristow-Johnson's audio EQ cookbook, and the
// response they give; the same responses for the state-variable form the units run. Pure
// arithmetic, in double precision: low bands near 20 Hz need it.
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

// The Q of a peaking band `bandwidthOctaves` wide, corrected for the bilinear transform's warping
// as the cookbook does. Near the top edge that correction runs away (5 octaves around 0.45 of
// the rate asks for Q ~ 1e-7, a pole so close to 1 that the band rings for minutes): the result
// never falls below kLowestPeakingQ, a band wider than fits below the top edge anyway.
double peakingQ(double centreHz, double bandwidthOctaves, double sampleRate);
inline constexpr double kLowestPeakingQ = 0.1;

// The state-variable form (trapezoidal integrators, after Andrew Simper): g = tan(w0 / 2) sets
// the frequency and k the damping; per sample, with states s1 and s2,
//   v3 = x - s2, v1 = a1 s1 + a2 v3, v2 = s2 + a2 s1 + a3 v3, s1 = 2 v1 - s1, s2 = 2 v2 - s2,
//   y = m0 x + m1 v1 + m2 v2   (v1 the band-pass, v2 the low-pass).
struct SvfCoefficients {
    double g = 0.0, k = 2.0;
    double a1 = 1.0, a2 = 0.0, a3 = 0.0;
    double m0 = 1.0, m1 = 0.0, m2 = 0.0;
};

// The cookbook's low-pass, high-pass and peaking responses in that form.
SvfCoefficients svfLowPass(double cutoffHz, double q, double sampleRate);
SvfCoefficients svfHighPass(double cutoffHz, double q, double sampleRate);
SvfCoefficients svfPeaking(double centreHz, double bandwidthOctaves, double gain,
                           double sampleRate);

// |H| at `frequencyHz`.
double svfMagnitude(const SvfCoefficients& c, double frequencyHz, double sampleRate);

// The resonance setting of the pass filters (1 = none, 10 = most) as the filter's Q: 1 gives
// the maximally flat 1/sqrt(2), 3 dB down at the cutoff.
double resonanceToQ(double resonance);

} // namespace soundlib
