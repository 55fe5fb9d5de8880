#include "FluidMidiDecoder.h"

#include "FfmpegIo.h"
#include "sound_bank.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <mutex>

namespace soundlib {
namespace {

// Nothing sensible is larger; a damaged or hostile file is turned away before reading it all.
constexpr int64_t kMaxMidiBytes = int64_t{32} << 20;
// FluidSynth's own limits for its rate; other output rates are reached by the mixer.
constexpr int kMinSynthRate = 22050;
constexpr int kMaxSynthRate = 96000;
// FluidSynth's default of 0.2 leaves General MIDI songs far quieter than other music.
constexpr double kSynthGain = 0.5;

void quietFluidSynth() {
    // Bad banks and odd files make FluidSynth talk on stderr; our result codes say it instead.
    static std::once_flag once;
    std::call_once(once, [] {
        for (int level = FLUID_PANIC; level <= FLUID_DBG; ++level) {
            fluid_set_log_function(level, nullptr, nullptr);
        }
    });
}

// SoundFont 2/3 ("sfbk") and DLS ("DLS ") banks are RIFF files. Anything else is turned away
// here: FluidSynth's DLS loader complains on stderr about files it cannot read.
bool isSoundBankFile(const std::string& path) {
    FMOD_RESULT ignored = FMOD_OK;
    const auto io = path.empty() ? nullptr : FfmpegIo::openFile(path, ignored);
    std::array<uint8_t, 12> head{};
    if (!io || io->readAt(0, head.data(), head.size()) != head.size()) {
        return false;
    }
    const auto is = [&](size_t at, const char* tag) {
        return std::memcmp(head.data() + at, tag, 4) == 0;
    };
    return is(0, "RIFF") && (is(8, "sfbk") || is(8, "DLS "));
}

bool isNoteMessage(uint8_t status) {
    const uint8_t kind = status & 0xF0;
    return kind == 0x80 || kind == 0x90 || kind == 0xA0;
}

} // namespace

FluidMidiDecoder::FluidMidiDecoder(Key, MidiSong song, int sampleRate)
    : song_(std::move(song)), rate_(sampleRate) {}

DecoderOpenResult FluidMidiDecoder::open(const std::string& path, const DecoderOptions& options) {
    DecoderOpenResult opened;
    FMOD_RESULT access = FMOD_OK;
    const auto io = FfmpegIo::openFile(path, access);
    if (!io) {
        opened.result = access;
        return opened;
    }
    opened.result = FMOD_ERR_FORMAT;
    if (io->size() <= 0 || io->size() > kMaxMidiBytes) {
        return opened;
    }
    std::vector<uint8_t> bytes(static_cast<size_t>(io->size()));
    if (io->readAt(0, bytes.data(), bytes.size()) != bytes.size()) {
        opened.result = FMOD_ERR_FILE_BAD;
        return opened;
    }
    const int rate = std::clamp(options.outputRate, kMinSynthRate, kMaxSynthRate);
    auto song = MidiSong::parse(bytes, rate);
    if (!song) {
        return opened;
    }
    auto decoder = std::make_unique<FluidMidiDecoder>(Key{}, std::move(*song), rate);
    const std::string bank =
        options.midiSoundBank.empty() ? installedSoundBank() : options.midiSoundBank;
    opened.result = decoder->start(bank);
    if (opened.result == FMOD_OK) {
        opened.decoder = std::move(decoder);
    }
    return opened;
}

FMOD_RESULT FluidMidiDecoder::start(const std::string& bank) {
    quietFluidSynth();
    if (!isSoundBankFile(bank)) {
        return FMOD_ERR_PLUGIN_RESOURCE;
    }
    settings_.reset(new_fluid_settings());
    if (!settings_) {
        return FMOD_ERR_MEMORY;
    }
    fluid_settings_t* settings = settings_.get();
    fluid_settings_setnum(settings, "synth.sample-rate", rate_);
    fluid_settings_setnum(settings, "synth.gain", kSynthGain);
    // One thread renders (the stream's), and samples are read only for the programs used, so
    // opening stays quick even with a large bank.
    fluid_settings_setint(settings, "synth.cpu-cores", 1);
    fluid_settings_setint(settings, "synth.threadsafe-api", 0);
    fluid_settings_setint(settings, "synth.lock-memory", 0);
    fluid_settings_setint(settings, "synth.dynamic-sample-loading", 1);
    synth_.reset(new_fluid_synth(settings));
    if (!synth_) {
        return FMOD_ERR_MEMORY;
    }
    if (fluid_synth_sfload(synth_.get(), bank.c_str(), 1) == FLUID_FAILED) {
        return FMOD_ERR_PLUGIN_RESOURCE;
    }
    return FMOD_OK;
}

void FluidMidiDecoder::send(const MidiMessage& message) {
    fluid_synth_t* synth = synth_.get();
    const int channel = message.status & 0x0F;
    switch (message.status & 0xF0) {
    case 0x80:
        fluid_synth_noteoff(synth, channel, message.data1);
        break;
    case 0x90:
        if (message.data2 == 0) {
            fluid_synth_noteoff(synth, channel, message.data1);
        } else {
            fluid_synth_noteon(synth, channel, message.data1, message.data2);
        }
        break;
    case 0xA0:
        fluid_synth_key_pressure(synth, channel, message.data1, message.data2);
        break;
    case 0xB0:
        fluid_synth_cc(synth, channel, message.data1, message.data2);
        break;
    case 0xC0:
        fluid_synth_program_change(synth, channel, message.data1);
        break;
    case 0xD0:
        fluid_synth_channel_pressure(synth, channel, message.data1);
        break;
    case 0xE0:
        fluid_synth_pitch_bend(synth, channel, message.data2 << 7 | message.data1);
        break;
    case 0xF0: {
        const auto body = song_.sysex(message);
        if (!body.empty()) {
            fluid_synth_sysex(synth, reinterpret_cast<const char*>(body.data()),
                              static_cast<int>(body.size()), nullptr, nullptr, nullptr, 0);
        }
        break;
    }
    default:
        break;
    }
}

size_t FluidMidiDecoder::read(float* out, size_t frames) {
    const auto& messages = song_.messages();
    const uint64_t length = song_.lengthFrames();
    size_t done = 0;
    while (done < frames && position_ < length) {
        while (next_ < messages.size() && messages[next_].frame <= position_) {
            send(messages[next_++]);
        }
        uint64_t until = length;
        if (next_ < messages.size()) {
            until = std::min(until, messages[next_].frame);
        }
        const size_t count =
            static_cast<size_t>(std::min<uint64_t>(frames - done, until - position_));
        float* at = out + done * 2;
        if (fluid_synth_write_float(synth_.get(), static_cast<int>(count), at, 0, 2, at, 1, 2) !=
            FLUID_OK) {
            std::fill(at, at + count * 2, 0.0f);
        }
        done += count;
        position_ += count;
    }
    return done;
}

bool FluidMidiDecoder::seek(uint64_t frame) {
    // Start from a fresh synthesiser and replay what sets it up (programs, controllers,
    // pitch bends, system-exclusive messages) before the target. Notes are not replayed: a
    // note struck before the target stays silent, as in any sequencer.
    fluid_synth_system_reset(synth_.get());
    const auto& messages = song_.messages();
    position_ = std::min(frame, song_.lengthFrames());
    next_ = 0;
    while (next_ < messages.size() && messages[next_].frame < position_) {
        if (!isNoteMessage(messages[next_].status)) {
            send(messages[next_]);
        }
        ++next_;
    }
    return true;
}

} // namespace soundlib
