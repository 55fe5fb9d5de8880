// MIDI: Standard MIDI Files read onto the sample clock, and songs written here synthesised by
// FluidSynth and checked through the non-real-time wave writer.
#include "midi/MidiSong.h"
#include "playback_fixture.h"

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>

using namespace playbacktest;
using soundlib::MidiSong;
using testmedia::channelOf;

namespace {

constexpr uint32_t kDivision = 480; // ticks per quarter note
constexpr uint8_t kFlute = 73;      // General MIDI: a near-sine tone, easy to measure

// A track under construction: events with their absolute ticks.
class Track {
public:
    Track& at(uint32_t tick, std::vector<uint8_t> event) {
        events_.emplace_back(tick, std::move(event));
        return *this;
    }
    Track& tempo(uint32_t tick, uint32_t microsPerQuarter) {
        return at(tick, {0xFF, 0x51, 0x03, uint8_t(microsPerQuarter >> 16),
                         uint8_t(microsPerQuarter >> 8), uint8_t(microsPerQuarter)});
    }
    Track& note(uint32_t from, uint32_t to, uint8_t key, uint8_t channel = 0) {
        at(from, {uint8_t(0x90 | channel), key, 100});
        return at(to, {uint8_t(0x80 | channel), key, 0});
    }
    // The track chunk, ending with end-of-track at `end`.
    std::vector<uint8_t> chunk(uint32_t end) const {
        std::vector<uint8_t> body;
        uint32_t last = 0;
        for (const auto& [tick, bytes] : events_) {
            putVarLen(body, tick - last);
            body.insert(body.end(), bytes.begin(), bytes.end());
            last = tick;
        }
        putVarLen(body, end - last);
        body.insert(body.end(), {0xFF, 0x2F, 0x00});
        std::vector<uint8_t> out = {'M', 'T', 'r', 'k'};
        putBe32(out, static_cast<uint32_t>(body.size()));
        out.insert(out.end(), body.begin(), body.end());
        return out;
    }

    static void putVarLen(std::vector<uint8_t>& out, uint32_t value) {
        uint8_t bytes[5];
        int n = 0;
        do {
            bytes[n++] = value & 0x7F;
            value >>= 7;
        } while (value != 0);
        while (n-- > 0) {
            out.push_back(static_cast<uint8_t>(bytes[n] | (n > 0 ? 0x80 : 0)));
        }
    }
    static void putBe32(std::vector<uint8_t>& out, uint32_t value) {
        for (int shift = 24; shift >= 0; shift -= 8) {
            out.push_back(static_cast<uint8_t>(value >> shift));
        }
    }

private:
    std::vector<std::pair<uint32_t, std::vector<uint8_t>>> events_;
};

std::vector<uint8_t> smf(int format, const std::vector<std::vector<uint8_t>>& chunks,
                         uint16_t division = kDivision) {
    std::vector<uint8_t> out = {'M',
                                'T',
                                'h',
                                'd',
                                0,
                                0,
                                0,
                                6,
                                0,
                                uint8_t(format),
                                0,
                                uint8_t(chunks.size()),
                                uint8_t(division >> 8),
                                uint8_t(division)};
    for (const auto& chunk : chunks) {
        out.insert(out.end(), chunk.begin(), chunk.end());
    }
    return out;
}

std::filesystem::path writeFile(const std::string& name, const std::vector<uint8_t>& bytes) {
    const auto path = testmedia::mediaDir() / name;
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    return path;
}

// At 120 bpm and 480 ticks per quarter note, 960 ticks are one second.
constexpr uint32_t ticks(double seconds) {
    return static_cast<uint32_t>(seconds * 960.0 + 0.5);
}

// The test song: flute A4 (440 Hz) from 0.25 s to 1.25 s, A5 (880 Hz) from 1.5 s to 2.25 s,
// ending at 2.5 s.
std::vector<uint8_t> twoNoteSong() {
    Track track;
    track.at(0, {0xC0, kFlute});
    track.note(ticks(0.25), ticks(1.25), 69).note(ticks(1.5), ticks(2.25), 81);
    return smf(0, {track.chunk(ticks(2.5))});
}

FMOD_SOUND openMidi(RenderedSystem& render, const std::filesystem::path& path,
                    FMOD_MODE mode = 0x48, FMOD_SOUND_TYPE hint = FMOD_SOUND_TYPE_MIDI,
                    FMOD_RESULT expected = FMOD_OK) {
    FMOD_CREATESOUNDEXINFO info{};
    info.cbsize = 108;
    info.suggestedsoundtype = hint;
    FMOD_SOUND sound = 0;
    EXPECT_EQ(FMOD_System_CreateSound(render.system, path.c_str(), mode, &info, &sound), expected);
    return sound;
}

// First frame from `from` on whose magnitude passes `level`.
size_t onset(const testmedia::WavData& wav, size_t from, float level = 0.01f) {
    for (size_t i = from; i < wav.frames(); ++i) {
        if (std::abs(wav.samples[i * wav.channels]) > level) {
            return i;
        }
    }
    return wav.frames();
}

TEST(MidiSongParsing, TempoChangesPlaceEventsOnTheSampleClock) {
    // 120 bpm for one quarter note (0.5 s), then 60 bpm: tick 960 lies at 0.5 + 1.0 s.
    const std::vector<std::pair<uint64_t, uint32_t>> tempos = {{480, 1000000}};
    EXPECT_EQ(soundlib::midiTickToFrame(480, tempos, 480, 44100), 22050u);
    EXPECT_EQ(soundlib::midiTickToFrame(960, tempos, 480, 44100), 66150u);
    EXPECT_EQ(soundlib::midiTickToFrame(1, {}, 480, 48000), 50u); // 1041.67 us
    // A tempo map in a format 1 song's first track governs the notes in the second.
    Track conductor;
    conductor.tempo(0, 250000).tempo(480, 1000000);
    Track notes;
    notes.note(480, 960, 60);
    const auto song = MidiSong::parse(smf(1, {conductor.chunk(0), notes.chunk(1440)}), 44100);
    ASSERT_TRUE(song);
    ASSERT_EQ(song->messages().size(), 2u);
    EXPECT_EQ(song->messages()[0].frame, 11025u);         // 0.25 s
    EXPECT_EQ(song->messages()[1].frame, 11025u + 44100); // then one second per quarter
    EXPECT_EQ(song->lengthFrames(), 11025u + 2 * 44100);
}

TEST(MidiSongParsing, RunningStatusSysexAndTrackOrderAreKept) {
    Track track;
    // Note on, then two more under running status (the second a note-off by velocity 0).
    track.at(0, {0x91, 60, 90}).at(10, {62, 80}).at(20, {60, 0});
    track.at(20, {0xF0, 0x05, 0x7E, 0x7F, 0x09, 0x01, 0xF7}); // General MIDI on
    track.at(30, {0xE1, 0x00, 0x40});
    Track second;
    second.at(10, {0xC2, 5});
    const auto song = MidiSong::parse(smf(1, {track.chunk(40), second.chunk(15)}), 48000);
    ASSERT_TRUE(song);
    const auto& m = song->messages();
    ASSERT_EQ(m.size(), 6u);
    EXPECT_EQ(m[1].status, 0x91);
    EXPECT_EQ(m[1].data1, 62);
    EXPECT_EQ(m[2].status, 0xC2); // tick 10, second track after the first's event at 10
    EXPECT_EQ(m[3].data2, 0);
    EXPECT_EQ(m[4].status, 0xF0);
    const auto sysex = song->sysex(m[4]);
    EXPECT_EQ(std::vector<uint8_t>(sysex.begin(), sysex.end()),
              (std::vector<uint8_t>{0x7E, 0x7F, 0x09, 0x01}));
    EXPECT_EQ(m[5].status, 0xE1);
}

TEST(MidiSongParsing, WrappersTimecodeAndDamageAreHandled) {
    Track track;
    track.note(0, 100, 60).note(100, 200, 64);
    const auto bare = smf(0, {track.chunk(200)});

    // RIFF RMID, as Windows saves MIDI files.
    std::vector<uint8_t> rmid = {'R', 'I', 'F', 'F', 0,   0,   0,   0,
                                 'R', 'M', 'I', 'D', 'd', 'a', 't', 'a'};
    for (int shift = 0; shift < 32; shift += 8) {
        rmid.push_back(static_cast<uint8_t>(bare.size() >> shift));
    }
    rmid.insert(rmid.end(), bare.begin(), bare.end());
    EXPECT_TRUE(MidiSong::looksLikeMidi(rmid));
    const auto wrapped = MidiSong::parse(rmid, 44100);
    ASSERT_TRUE(wrapped);
    EXPECT_EQ(wrapped->messages().size(), 4u);

    // SMPTE 25 frames per second, 40 ticks per frame: one millisecond per tick.
    const auto smpte = MidiSong::parse(smf(0, {track.chunk(200)}, 0xE728), 44100);
    ASSERT_TRUE(smpte);
    EXPECT_EQ(smpte->messages()[1].frame, 4410u);
    EXPECT_EQ(smpte->lengthFrames(), 8820u);

    // A track cut short keeps what came before the cut.
    auto cut = bare;
    cut.resize(cut.size() - 9);
    const auto damaged = MidiSong::parse(cut, 44100);
    ASSERT_TRUE(damaged);
    EXPECT_EQ(damaged->messages().size(), 2u);

    const std::vector<uint8_t> garbage = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 7};
    EXPECT_FALSE(MidiSong::parse(garbage, 44100));
    EXPECT_FALSE(MidiSong::parse(std::vector<uint8_t>(100, 0x55), 44100));
}

TEST(MidiPlayback, NotesSoundAtTheirPitchAndTimeAndTheLengthIsExact) {
    const auto path = writeFile("two_notes.mid", twoNoteSong());
    RenderedSystem render;
    const FMOD_SOUND sound = openMidi(render, path);
    ASSERT_NE(sound, 0u);
    unsigned int length = 0;
    EXPECT_EQ(FMOD_Sound_GetLength(sound, &length, FMOD_TIMEUNIT_PCM), FMOD_OK);
    EXPECT_EQ(length, 110250u);
    FMOD_SOUND_TYPE type = FMOD_SOUND_TYPE_UNKNOWN;
    EXPECT_EQ(FMOD_Sound_GetFormat(sound, &type, nullptr, nullptr, nullptr), FMOD_OK);
    EXPECT_EQ(type, FMOD_SOUND_TYPE_MIDI);
    const FMOD_CHANNEL channel = render.play(sound);
    render.renderToEnd(channel);
    EXPECT_FALSE(render.playing(channel));
    const auto wav = render.finish();

    EXPECT_LT(testmedia::peak(channelOf(wav, 0, 0, 10000)), 1e-4);
    const size_t first = onset(wav, 0);
    EXPECT_GE(first, 11025u);
    EXPECT_LT(first, 11025u + 2205); // within 50 ms of 0.25 s, attack included
    EXPECT_NEAR(testmedia::measureFrequency(channelOf(wav, 0, 17640, 32768), 44100), 440.0, 3.0);
    // The first note's release and the reverb fade out below this before the second note.
    const size_t second = onset(wav, 63000, 0.02f);
    EXPECT_GE(second, 66150u);
    EXPECT_LT(second, 66150u + 2205);
    EXPECT_NEAR(testmedia::measureFrequency(channelOf(wav, 0, 70560, 22050), 44100), 880.0, 4.0);
    // Nothing past the song's end.
    EXPECT_LE(soundingFrames(wav), 110250u);
}

TEST(MidiPlayback, SynthesisRunsAtTheOutputRateInEveryModeAndHint) {
    const auto song = twoNoteSong();
    const auto named = writeFile("hinted.bin", song);
    const auto mid = writeFile("rate.mid", song);
    struct Case {
        std::filesystem::path path;
        FMOD_MODE mode;
        FMOD_SOUND_TYPE hint;
    };
    for (const Case& c :
         {Case{mid, 0x28, FMOD_SOUND_TYPE_UNKNOWN}, Case{named, 0x48, FMOD_SOUND_TYPE_MIDI},
          Case{mid, 0x48 | FMOD_CREATESTREAM, FMOD_SOUND_TYPE_UNKNOWN}}) {
        SCOPED_TRACE(c.path.filename().string() + " mode " + std::to_string(c.mode));
        RenderSettings settings;
        settings.sampleRate = 48000;
        RenderedSystem render(settings);
        const FMOD_SOUND sound = openMidi(render, c.path, c.mode, c.hint);
        ASSERT_NE(sound, 0u);
        float rate = 0;
        EXPECT_EQ(FMOD_Sound_GetDefaults(sound, &rate, nullptr, nullptr, nullptr), FMOD_OK);
        EXPECT_EQ(rate, 48000.0f);
        unsigned int ms = 0;
        EXPECT_EQ(FMOD_Sound_GetLength(sound, &ms, FMOD_TIMEUNIT_MS), FMOD_OK);
        EXPECT_EQ(ms, 2500u);
        const FMOD_CHANNEL channel = render.play(sound);
        render.renderToEnd(channel);
        const auto wav = render.finish();
        EXPECT_NEAR(testmedia::measureFrequency(channelOf(wav, 0, 19200, 32768), 48000), 440.0,
                    3.0);
    }
}

TEST(MidiPlayback, SeekingPlaysWhatFollowsFromTheNewPlace) {
    const auto path = writeFile("seek.mid", twoNoteSong());
    RenderedSystem render;
    const FMOD_SOUND sound = openMidi(render, path);
    const FMOD_CHANNEL channel = render.play(sound, true);
    // 0.1 s before the second note; the first note (struck before) stays silent.
    EXPECT_EQ(FMOD_Channel_SetPosition(channel, 1400, FMOD_TIMEUNIT_MS), FMOD_OK);
    EXPECT_EQ(FMOD_Channel_SetPaused(channel, 0), FMOD_OK);
    render.renderToEnd(channel);
    const auto wav = render.finish();
    const size_t start = onset(wav, 0);
    EXPECT_GE(start, 4410u);
    EXPECT_LT(start, 4410u + 2205);
    EXPECT_NEAR(testmedia::measureFrequency(channelOf(wav, 0, 8820, 16384), 44100), 880.0, 5.0);
    EXPECT_NEAR(static_cast<double>(soundingFrames(wav)), 110250.0 - 61740.0, 1500.0);
}

TEST(MidiPlayback, SoundBanksCanBeNamedAndMissingOnesAreReported) {
    const auto path = writeFile("banks.mid", twoNoteSong());
    const auto garbage = testmedia::makeGarbage("garbage.sf2", 4096);
    const char* installed = "/usr/share/sounds/sf2/TimGM6mb.sf2";
    ASSERT_TRUE(std::filesystem::exists(installed)) << "timgm6mb-soundfont is not installed";
    const auto copy = testmedia::mediaDir() / "gm.sf2";
    std::filesystem::copy_file(installed, copy, std::filesystem::copy_options::overwrite_existing);

    RenderedSystem render;
    EXPECT_EQ(FMOD_System_SetMIDISoundBank(render.system, copy.c_str()), FMOD_OK);
    const FMOD_SOUND named = openMidi(render, path);
    EXPECT_NE(named, 0u);

    EXPECT_EQ(FMOD_System_SetMIDISoundBank(render.system, "/no/such/gm.dls"), FMOD_OK);
    openMidi(render, path, 0x48, FMOD_SOUND_TYPE_MIDI, FMOD_ERR_PLUGIN_RESOURCE);
    EXPECT_EQ(FMOD_System_SetMIDISoundBank(render.system, garbage.c_str()), FMOD_OK);
    openMidi(render, path, 0x48, FMOD_SOUND_TYPE_MIDI, FMOD_ERR_PLUGIN_RESOURCE);

    // Back to the installed bank.
    EXPECT_EQ(FMOD_System_SetMIDISoundBank(render.system, nullptr), FMOD_OK);
    const FMOD_SOUND installedSound = openMidi(render, path);
    ASSERT_NE(installedSound, 0u);
    const FMOD_CHANNEL channel = render.play(named);
    render.renderToEnd(channel);
    const auto wav = render.finish();
    EXPECT_NEAR(testmedia::measureFrequency(channelOf(wav, 0, 17640, 32768), 44100), 440.0, 3.0);
    EXPECT_EQ(FMOD_System_SetMIDISoundBank(0, nullptr), FMOD_ERR_INVALID_HANDLE);
}

TEST(MidiPlayback, DamagedFilesAreTurnedAway) {
    RenderedSystem render;
    const auto garbage = testmedia::makeGarbage("garbage.mid", 5000);
    openMidi(render, garbage, 0x48, FMOD_SOUND_TYPE_MIDI, FMOD_ERR_FORMAT);
    auto header = twoNoteSong();
    header.resize(14); // a header and no track
    openMidi(render, writeFile("empty.mid", header), 0x48, FMOD_SOUND_TYPE_MIDI, FMOD_ERR_FORMAT);
    openMidi(render, "/no/such/song.mid", 0x48, FMOD_SOUND_TYPE_MIDI, FMOD_ERR_FILE_NOTFOUND);
}

} // namespace
