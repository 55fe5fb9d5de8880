#include "dsp_catalog.h"

#include "ChorusUnit.h"
#include "CompressorUnit.h"
#include "DistortionUnit.h"
#include "EchoUnit.h"
#include "FlangeUnit.h"
#include "ParamEqUnit.h"
#include "PassFilterUnit.h"
#include "PitchShiftUnit.h"
#include "ReverbUnit.h"
#include "SfxReverbUnit.h"

#include <array>
#include <bit>
#include <cmath>

namespace soundlib {
namespace {

using V = ParameterValues;

constexpr std::array kLowPass = {
    DspParameterInfo{"Cutoff freq", "Hz", 10.0f, 22000.0f, 5000.0f},
    DspParameterInfo{"Resonance", "", 1.0f, 10.0f, 1.0f},
};
constexpr std::array kHighPass = {
    DspParameterInfo{"Cutoff freq", "Hz", 1.0f, 22000.0f, 5000.0f},
    DspParameterInfo{"Resonance", "", 1.0f, 10.0f, 1.0f},
};
constexpr std::array kEcho = {
    DspParameterInfo{"Delay", "ms", 10.0f, 5000.0f, 500.0f},
    DspParameterInfo{"Decay ratio", "", 0.0f, 1.0f, 0.5f},
    DspParameterInfo{"Max channels", "", 0.0f, 16.0f, 0.0f, V::Whole},
    DspParameterInfo{"Dry mix", "", 0.0f, 1.0f, 1.0f},
    DspParameterInfo{"Wet mix", "", 0.0f, 1.0f, 1.0f},
};
constexpr std::array kFlange = {
    DspParameterInfo{"Dry mix", "", 0.0f, 1.0f, 0.45f},
    DspParameterInfo{"Wet mix", "", 0.0f, 1.0f, 0.55f},
    DspParameterInfo{"Depth", "", 0.01f, 1.0f, 1.0f},
    DspParameterInfo{"Rate", "Hz", 0.0f, 20.0f, 0.1f},
};
constexpr std::array kDistortion = {
    DspParameterInfo{"Level", "", 0.0f, 1.0f, 0.5f},
};
constexpr std::array kParamEq = {
    DspParameterInfo{"Center freq", "Hz", 20.0f, 22000.0f, 8000.0f},
    DspParameterInfo{"Octave range", "oct", 0.2f, 5.0f, 1.0f},
    DspParameterInfo{"Frequency gain", "", 0.05f, 3.0f, 1.0f},
};
constexpr std::array kPitchShift = {
    DspParameterInfo{"Pitch", "x", 0.5f, 2.0f, 1.0f},
    DspParameterInfo{"FFT size", "", 256.0f, 4096.0f, 1024.0f, V::PowerOfTwo},
    DspParameterInfo{"Overlap", "", 1.0f, 32.0f, 4.0f, V::Whole},
    DspParameterInfo{"Max channels", "", 0.0f, 16.0f, 0.0f, V::Whole},
};
constexpr std::array kChorus = {
    DspParameterInfo{"Dry mix", "", 0.0f, 1.0f, 0.5f},
    DspParameterInfo{"Wet mix tap 1", "", 0.0f, 1.0f, 0.5f},
    DspParameterInfo{"Wet mix tap 2", "", 0.0f, 1.0f, 0.5f},
    DspParameterInfo{"Wet mix tap 3", "", 0.0f, 1.0f, 0.5f},
    DspParameterInfo{"Delay", "ms", 0.1f, 100.0f, 40.0f},
    DspParameterInfo{"Rate", "Hz", 0.0f, 20.0f, 0.8f},
    DspParameterInfo{"Depth", "", 0.0f, 1.0f, 0.03f},
    DspParameterInfo{"Feedback", "", 0.0f, 1.0f, 0.0f},
};
constexpr std::array kReverb = {
    DspParameterInfo{"Room size", "", 0.0f, 1.0f, 0.5f},
    DspParameterInfo{"Damp", "", 0.0f, 1.0f, 0.5f},
    DspParameterInfo{"Wet mix", "", 0.0f, 1.0f, 0.33f},
    DspParameterInfo{"Dry mix", "", 0.0f, 1.0f, 0.66f},
    DspParameterInfo{"Width", "", 0.0f, 1.0f, 1.0f},
    DspParameterInfo{"Mode", "", 0.0f, 1.0f, 0.0f},
};
constexpr std::array kCompressor = {
    DspParameterInfo{"Threshold", "dB", -60.0f, 0.0f, 0.0f},
    DspParameterInfo{"Attack", "ms", 10.0f, 200.0f, 50.0f},
    DspParameterInfo{"Release", "ms", 20.0f, 1000.0f, 50.0f},
    DspParameterInfo{"Make up gain", "dB", 0.0f, 30.0f, 0.0f},
};
// The defaults make a medium room: about 1.3 s of decay, reflections from 8 ms, a slightly
// darkened tail 10 dB under the direct sound.
constexpr std::array kSfxReverb = {
    DspParameterInfo{"Dry level", "mB", -10000.0f, 0.0f, 0.0f},
    DspParameterInfo{"Room", "mB", -10000.0f, 0.0f, -1000.0f},
    DspParameterInfo{"Room HF", "mB", -10000.0f, 0.0f, -300.0f},
    DspParameterInfo{"Room rolloff", "", 0.0f, 10.0f, 0.0f},
    DspParameterInfo{"Decay time", "s", 0.1f, 20.0f, 1.3f},
    DspParameterInfo{"Decay HF ratio", "", 0.1f, 2.0f, 0.83f},
    DspParameterInfo{"Reflections", "mB", -10000.0f, 1000.0f, -400.0f},
    DspParameterInfo{"Reflect delay", "s", 0.0f, 0.3f, 0.008f},
    DspParameterInfo{"Reverb", "mB", -10000.0f, 2000.0f, 0.0f},
    DspParameterInfo{"Reverb delay", "s", 0.0f, 0.1f, 0.012f},
    DspParameterInfo{"Diffusion", "%", 0.0f, 100.0f, 100.0f},
    DspParameterInfo{"Density", "%", 0.0f, 100.0f, 100.0f},
    DspParameterInfo{"HF reference", "Hz", 20.0f, 20000.0f, 5000.0f},
    DspParameterInfo{"Room LF", "mB", -10000.0f, 0.0f, 0.0f},
    DspParameterInfo{"LF reference", "Hz", 20.0f, 1000.0f, 250.0f},
};
static_assert(kSfxReverb.size() == SfxReverbUnit::kParameters);

template <class Unit> std::unique_ptr<DspUnit> make() {
    return std::make_unique<Unit>();
}
std::unique_ptr<DspUnit> makeLowPass() {
    return std::make_unique<PassFilterUnit>(PassFilterUnit::Kind::LowPass);
}
std::unique_ptr<DspUnit> makeHighPass() {
    return std::make_unique<PassFilterUnit>(PassFilterUnit::Kind::HighPass);
}

const std::array kCatalog = {
    DspDescription{FMOD_DSP_TYPE_LOWPASS, "Lowpass", kLowPass, makeLowPass},
    DspDescription{FMOD_DSP_TYPE_HIGHPASS, "Highpass", kHighPass, makeHighPass},
    DspDescription{FMOD_DSP_TYPE_ECHO, "Echo", kEcho, make<EchoUnit>},
    DspDescription{FMOD_DSP_TYPE_FLANGE, "Flange", kFlange, make<FlangeUnit>},
    DspDescription{FMOD_DSP_TYPE_DISTORTION, "Distortion", kDistortion, make<DistortionUnit>},
    DspDescription{FMOD_DSP_TYPE_PARAMEQ, "ParamEQ", kParamEq, make<ParamEqUnit>},
    DspDescription{FMOD_DSP_TYPE_PITCHSHIFT, "Pitch Shifter", kPitchShift, make<PitchShiftUnit>},
    DspDescription{FMOD_DSP_TYPE_CHORUS, "Chorus", kChorus, make<ChorusUnit>},
    DspDescription{FMOD_DSP_TYPE_REVERB, "Reverb", kReverb, make<ReverbUnit>},
    DspDescription{FMOD_DSP_TYPE_COMPRESSOR, "Compressor", kCompressor, make<CompressorUnit>},
    DspDescription{FMOD_DSP_TYPE_SFXREVERB, "SFX Reverb", kSfxReverb, make<SfxReverbUnit>},
};

} // namespace

const DspDescription* findDspDescription(FMOD_DSP_TYPE type) {
    for (const DspDescription& description : kCatalog) {
        if (description.type == type) {
            return &description;
        }
    }
    return nullptr;
}

bool parameterAccepts(const DspParameterInfo& info, float value) {
    if (!(value >= info.minimum && value <= info.maximum)) { // also refuses NaN
        return false;
    }
    switch (info.values) {
    case ParameterValues::Whole:
        return value == std::floor(value);
    case ParameterValues::PowerOfTwo:
        return value == std::floor(value) && std::has_single_bit(static_cast<unsigned>(value));
    default:
        return true;
    }
}

} // namespace soundlib
