// One processing unit run straight on a buffer, outside any system and mixer: what bench_dsp
// times to give each unit's own cost. Only the benchmark links this (target soundlib_bench); the
// player reaches units through the flat calls of soundlib.h.
#pragma once

#include "soundlib.h"

#include <cstddef>
#include <memory>

namespace soundlib {

class DspUnit;

namespace bench {

class StandaloneUnit {
public:
    // The unit of `type` with its published defaults; empty for a type the library does not
    // offer.
    explicit StandaloneUnit(FMOD_DSP_TYPE type);
    ~StandaloneUnit();
    explicit operator bool() const { return unit_ != nullptr; }
    StandaloneUnit(const StandaloneUnit&) = delete;
    StandaloneUnit& operator=(const StandaloneUnit&) = delete;

    // As on a unit inside the library: index and value inside the published ranges, frames of
    // each process call at most maxBlockFrames, channels the prepared count.
    void setParameter(int index, float value);
    void prepare(int sampleRate, int channels, size_t maxBlockFrames);
    void reset();
    void process(float* interleaved, size_t frames, int channels);

private:
    std::unique_ptr<DspUnit> unit_;
};

} // namespace bench
} // namespace soundlib
