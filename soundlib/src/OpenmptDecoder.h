// Tracker modules (XM, IT, MOD, S3M) rendered by libopenmpt at 44100 Hz stereo.
#pragma once

#include "decoder.h"

#include <cstdint>
#include <libopenmpt/libopenmpt.h>
#include <memory>
#include <span>
#include <vector>

namespace soundlib {

class OpenmptDecoder final : public Decoder {
public:
    static constexpr int kRate = 44100;
    // The bytes of a file's start looksLikeModule wants: what libopenmpt recommends for its
    // probe, fixed here so that reading the start of every file does not load the library.
    static constexpr size_t kProbeBytes = 2048;

    // Whether libopenmpt recognises the start of a file (`head` = its first bytes) as a module.
    static bool looksLikeModule(std::span<const uint8_t> head, uint64_t fileSize);

    // Loads a whole module. `typeHint` is the type its extension names (UNKNOWN when it was
    // recognised by content; then only XM, IT, MOD and S3M are taken). Result 25 when
    // libopenmpt cannot load it.
    static DecoderOpenResult open(std::span<const uint8_t> bytes, FMOD_SOUND_TYPE typeHint,
                                  const DecoderOptions& options);

    struct Key {}; // construction goes through open()
    explicit OpenmptDecoder(Key) {}

    int sampleRate() const override { return kRate; }
    int channels() const override { return 2; }
    uint64_t lengthFrames() const override { return length_; }
    FMOD_SOUND_TYPE type() const override { return type_; }
    FMOD_SOUND_FORMAT sourceFormat() const override { return FMOD_SOUND_FORMAT_PCM16; }
    int sourceBits() const override { return 16; }
    int sourceChannels() const override { return 2; }
    size_t read(float* out, size_t frames) override;
    bool seek(uint64_t frame) override;
    const std::vector<DecodedTag>& tags() const override { return tags_; }

private:
    struct ModuleDestroyer {
        void operator()(openmpt_module* module) const { openmpt_module_destroy(module); }
    };

    size_t render(float* out, size_t frames);

    std::unique_ptr<openmpt_module, ModuleDestroyer> module_;
    FMOD_SOUND_TYPE type_ = FMOD_SOUND_TYPE_MOD;
    bool loop_ = false;
    uint64_t length_ = 0;   // 0 when libopenmpt cannot tell
    uint64_t position_ = 0; // frames delivered since the start
    bool rendererEnded_ = false;
    std::vector<float> scratch_; // frames rendered and dropped while seeking
    std::vector<DecodedTag> tags_;
};

} // namespace soundlib
