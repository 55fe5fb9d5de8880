#include "standalone_unit.h"

#include "dsp/dsp_catalog.h"

namespace soundlib::bench {

StandaloneUnit::StandaloneUnit(FMOD_DSP_TYPE type) {
    const DspDescription* description = findDspDescription(type);
    if (description == nullptr)
        return;
    unit_ = description->create();
    for (size_t i = 0; i < description->parameters.size(); ++i)
        unit_->setParameter(int(i), description->parameters[i].defaultValue);
}

StandaloneUnit::~StandaloneUnit() = default;

void StandaloneUnit::setParameter(int index, float value) {
    unit_->setParameter(index, value);
}

void StandaloneUnit::prepare(int sampleRate, int channels, size_t maxBlockFrames) {
    unit_->prepare(sampleRate, channels, maxBlockFrames);
}

void StandaloneUnit::reset() {
    unit_->reset();
}

void StandaloneUnit::process(float* interleaved, size_t frames, int channels) {
    unit_->process(interleaved, frames, channels);
}

} // namespace soundlib::bench
