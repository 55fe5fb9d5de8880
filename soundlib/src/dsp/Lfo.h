// A slow sine oscillator for modulated delays: a rotating unit vector, so each frame costs a
// few multiplications instead of a sine call.
#pragma once

#include <cmath>
#include <numbers>

namespace soundlib {

class Lfo {
public:
    void setFrequency(double hz, double sampleRate) {
        const double w = 2.0 * std::numbers::pi * hz / sampleRate;
        cosStep_ = std::cos(w);
        sinStep_ = std::sin(w);
    }
    void reset() {
        cos_ = 1.0;
        sin_ = 0.0;
    }
    void step() {
        const double c = cos_ * cosStep_ - sin_ * sinStep_;
        sin_ = sin_ * cosStep_ + cos_ * sinStep_;
        cos_ = c;
    }
    // Rounding would slowly change the amplitude; once per block puts it back to 1.
    void renormalise() {
        const double r = 1.0 / std::sqrt(cos_ * cos_ + sin_ * sin_);
        cos_ *= r;
        sin_ *= r;
    }
    float sine() const { return static_cast<float>(sin_); }
    float cosine() const { return static_cast<float>(cos_); }

private:
    double cos_ = 1.0, sin_ = 0.0;
    double cosStep_ = 1.0, sinStep_ = 0.0;
};

} // namespace soundlib
