// Media made at test time: tones encoded by the ffmpeg command-line tool, tiny tracker modules
// and VAG files written here, and readers/measurements for what the library renders.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace testmedia {

// A per-run folder for generated files (made on first use, removed at exit).
std::filesystem::path mediaDir();

// Runs a shell command; true when it exits with 0. Output is discarded.
bool run(const std::string& command);

// A sine tone encoded by ffmpeg into mediaDir()/fileName; the extension picks the format
// (mp3, mp2, wav, aiff, aifc = compressed-form AIFF holding little-endian PCM, wma, ogg, flac,
// raw = s16le 44100 stereo). extraArgs go before the output name (e.g. {"-b:a", "128k"}).
// Returns the path; empty when ffmpeg failed. Encoded bit-exact: the same bytes every run;
// 16-bit mono/stereo WAV has the plain 44-byte header.
std::filesystem::path makeTone(const std::string& fileName, double frequencyHz, double seconds,
                               int sampleRate = 44100, int channels = 2,
                               const std::vector<std::string>& extraArgs = {},
                               double amplitude = 0.5);

// Adds title/artist/album metadata through ffmpeg's -metadata when making a tone. AIFF and AIFC
// carry them in an ID3v2 chunk; MP2 gets the ID3v2 tag ffmpeg writes for an MP3 in front of the
// stream, since none of ffmpeg's muxers tags a layer II stream itself.
std::filesystem::path makeTaggedTone(const std::string& fileName, double frequencyHz,
                                     double seconds, const std::string& title,
                                     const std::string& artist, const std::string& album,
                                     const std::vector<std::string>& extraArgs = {});

// A video made by ffmpeg into mediaDir()/fileName: a moving test pattern of width x height at
// 25 frames a second with a sine tone, `seconds` long. The extension picks the container and
// codecs: avi (MPEG-4 and MP3), wmv (WMV8 and WMA2), mpg/mpeg (MPEG-1 video and MP2 in a program
// stream), ogm (Theora and Vorbis in Ogg). Empty when ffmpeg failed.
std::filesystem::path makeVideo(const std::string& fileName, double seconds, int width = 320,
                                int height = 240, double frequencyHz = 440.0);

// A copy of `audio` (an MP3 or FLAC file) named `fileName` carrying `picture` (a PNG or JPEG
// file) as its embedded cover, as taggers write it (an ID3v2 APIC frame, a FLAC picture block).
std::filesystem::path withCoverPicture(const std::filesystem::path& audio,
                                       const std::filesystem::path& picture,
                                       const std::string& fileName);

// A 4-channel ProTracker MOD playing one looped square/sine sample as a steady note for about
// `seconds` (rows at speed 6, tempo 125), ending without a loop-back. The sample is a 32-step
// sine cycle played at period 428, so the tone is about 259 Hz (libopenmpt: 258.97 Hz).
std::filesystem::path makeMod(const std::string& fileName, double seconds);
// The same for FastTracker XM; there the note is C-4 (8363 Hz / 32 = 261.34 Hz).
std::filesystem::path makeXm(const std::string& fileName, double seconds);
// The same for Scream Tracker 3 (S3M, note C-4) and Impulse Tracker (IT, note C-5, no
// instruments): 4 channels, one looped 8-bit sine sample at 8363 Hz, so 261.34 Hz. Every tracker
// file made here has the song name kTrackerSongName.
std::filesystem::path makeS3m(const std::string& fileName, double seconds);
std::filesystem::path makeIt(const std::string& fileName, double seconds);
inline constexpr const char* kTrackerSongName = "sorvel test tone";
// What the XM, S3M and IT notes sound at, and the MOD note (period 428 on a PAL Amiga's clock).
inline constexpr double kTrackerToneHz = 8363.0 / 32.0;
inline constexpr double kModToneHz = 7093789.2 / (2.0 * 428.0) / 32.0;
// A Sony VAG (ADPCM) file holding a sine tone, mono.
std::filesystem::path makeVag(const std::string& fileName, double frequencyHz, double seconds,
                              int sampleRate = 44100);
// A zip archive holding the given files (stored by name only); members may be non-audio.
std::filesystem::path makeZip(const std::string& fileName,
                              const std::vector<std::filesystem::path>& members);
// A file of `size` pseudo-random bytes.
std::filesystem::path makeGarbage(const std::string& fileName, size_t size);
// The first `bytes` bytes of `source`, as a new file.
std::filesystem::path makeTruncated(const std::string& fileName,
                                    const std::filesystem::path& source, size_t bytes);

struct WavData {
    int sampleRate = 0;
    int channels = 0;
    int bitsPerSample = 0;
    int formatTag = 0;          // 1 PCM, 3 float
    std::vector<float> samples; // interleaved, scaled to -1..1
    size_t frames() const { return channels ? samples.size() / channels : 0; }
};
// Reads a RIFF WAVE file (8/16/24/32-bit PCM, 32-bit float). Throws std::runtime_error when the
// file or its header is bad (including data sizes that do not match the file).
WavData readWav(const std::filesystem::path& path);

// One channel of interleaved audio, frames [first, first + count).
std::vector<float> channelOf(const WavData& wav, int channel, size_t first = 0,
                             size_t count = SIZE_MAX);
// Dominant frequency (Hz) by FFT peak with parabolic interpolation; accurate to ~0.1 Hz on a
// one-second steady tone.
double measureFrequency(const std::vector<float>& mono, int sampleRate);
double rms(const std::vector<float>& mono);
double peak(const std::vector<float>& mono);
// The tones heard in a recording, in order: the nearest of `tones` in each 0.1 s window of the
// first channel that is not silent, runs of the same tone counted once. Windows across two
// tones (or far from all of them) are left out.
std::vector<double> toneSequence(const WavData& wav, const std::vector<double>& tones);
// Seconds of audio in a wave file that is still being written, from its format chunk and its
// size (the header's sizes are filled in only at the end); 0 before the header is there.
double writtenSeconds(const std::filesystem::path& wav);
// Energy outside +-bandHz around `frequencyHz`, relative to the energy inside, in dB (negative
// = cleaner). Used for resampler aliasing and distortion figures.
double spuriousLevelDb(const std::vector<float>& mono, int sampleRate, double frequencyHz,
                       double bandHz = 50.0);

} // namespace testmedia
