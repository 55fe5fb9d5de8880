#include "test_media.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <complex>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <limits>
#include <memory>
#include <numbers>
#include <random>
#include <stdexcept>
#include <sys/wait.h>
#include <system_error>
#include <unistd.h>
#include <zip.h>

namespace testmedia {
namespace fs = std::filesystem;

namespace {

// ---- files and commands ----

// Owns the per-run folder; its destructor runs at process exit and removes everything in it.
class MediaFolder {
public:
    MediaFolder() {
        const char* base = std::getenv("TMPDIR");
        std::string pattern =
            (base && *base ? std::string(base) : std::string("/tmp")) + "/sorvel-media-XXXXXX";
        std::vector<char> buffer(pattern.begin(), pattern.end());
        buffer.push_back('\0');
        if (!::mkdtemp(buffer.data())) {
            // A read-only or missing TMPDIR must not take every test down with it.
            std::string fallback = "/tmp/sorvel-media-XXXXXX";
            buffer.assign(fallback.begin(), fallback.end());
            buffer.push_back('\0');
            if (!::mkdtemp(buffer.data()))
                throw std::runtime_error("cannot make a temporary folder for test media");
        }
        path_ = buffer.data();
        owner_ = ::getpid();
    }
    ~MediaFolder() {
        // A forked child (death tests) exits through here too; only the creator cleans up.
        if (::getpid() != owner_)
            return;
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    MediaFolder(const MediaFolder&) = delete;
    MediaFolder& operator=(const MediaFolder&) = delete;
    const fs::path& path() const { return path_; }

private:
    fs::path path_;
    pid_t owner_ = 0;
};

std::string shellQuote(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) {
        if (c == '\'')
            quoted += "'\\''";
        else
            quoted += c;
    }
    return quoted + "'";
}

std::string lowerExtension(const fs::path& path) {
    std::string ext = path.extension().string();
    if (!ext.empty() && ext.front() == '.')
        ext.erase(0, 1);
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return ext;
}

// "%g" loses digits that matter for frequencies like 1000.3 Hz; this keeps them.
std::string number(double value) {
    char text[64];
    std::snprintf(text, sizeof text, "%.10g", value);
    return text;
}

bool writeBytes(const fs::path& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out)
        return false;
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

std::vector<uint8_t> readBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot open " + path.string());
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in),
                                std::istreambuf_iterator<char>());
}

void putBe16(std::vector<uint8_t>& out, unsigned value) {
    out.push_back(static_cast<uint8_t>(value >> 8));
    out.push_back(static_cast<uint8_t>(value));
}
void putBe32(std::vector<uint8_t>& out, uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<uint8_t>(value >> shift));
}
void putLe16(std::vector<uint8_t>& out, unsigned value) {
    out.push_back(static_cast<uint8_t>(value));
    out.push_back(static_cast<uint8_t>(value >> 8));
}
void putLe32(std::vector<uint8_t>& out, uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back(static_cast<uint8_t>(value >> shift));
}
void putText(std::vector<uint8_t>& out, const std::string& text, size_t width) {
    for (size_t i = 0; i < width; ++i)
        out.push_back(i < text.size() ? static_cast<uint8_t>(text[i]) : 0);
}

// ---- ffmpeg tones ----

// Codec and container options by extension, so each file really is the named format.
std::vector<std::string> formatArgs(const std::string& ext) {
    if (ext == "mp3")
        return {"-c:a", "libmp3lame"};
    if (ext == "mp2")
        return {"-c:a", "mp2"};
    if (ext == "wav")
        return {"-c:a", "pcm_s16le"};
    if (ext == "aiff" || ext == "aif")
        return {"-c:a", "pcm_s16be", "-f", "aiff"};
    // FFmpeg writes the compressed form (FORM type AIFC) for anything but big-endian 16-bit;
    // little-endian PCM ('sowt') keeps the tone lossless.
    if (ext == "aifc")
        return {"-c:a", "pcm_s16le", "-f", "aiff"};
    if (ext == "wma")
        return {"-c:a", "wmav2", "-f", "asf"};
    if (ext == "ogg")
        return {"-c:a", "libvorbis"};
    if (ext == "flac")
        return {"-c:a", "flac"};
    if (ext == "raw")
        return {"-c:a", "pcm_s16le", "-f", "s16le"};
    return {};
}

// The same full-level tone on every channel; a plain -ac upmix would lower each by 3 dB.
std::string copyToChannels(int channels) {
    static const char* const layouts[] = {"",    "mono", "stereo", "2.1", "quad",
                                          "5.0", "5.1",  "6.1",    "7.1"};
    std::string layout = channels < 9 ? layouts[channels] : std::to_string(channels) + "c";
    std::string filter = "pan=" + layout;
    for (int c = 0; c < channels; ++c)
        filter += "|c" + std::to_string(c) + "=c0";
    return filter;
}

// Puts the ID3v2 tag ffmpeg writes for an MP3 with these metadata in front of the file at
// `path`. An MPEG audio reader skips an ID3v2 tag whatever layer follows it.
bool prependId3v2(const fs::path& path, const std::vector<std::string>& metadata) {
    const fs::path donor = path.parent_path() / (path.filename().string() + ".tag.mp3");
    std::string command = "ffmpeg -hide_banner -loglevel error -y -nostdin -f lavfi -i "
                          "anullsrc=r=44100:cl=mono -t 0.1 -c:a libmp3lame -write_xing 0 "
                          "-fflags +bitexact -flags:a +bitexact";
    for (const auto& arg : metadata)
        command += " -metadata " + shellQuote(arg);
    command += " " + shellQuote(donor.string());
    const bool made = run(command);
    std::vector<uint8_t> tag, audio;
    try {
        if (made) {
            tag = readBytes(donor);
            audio = readBytes(path);
        }
    } catch (const std::exception&) {
        tag.clear();
    }
    std::error_code ignored;
    fs::remove(donor, ignored);
    if (tag.size() < 10 || std::memcmp(tag.data(), "ID3", 3) != 0)
        return false;
    // Header, body (its size in 7-bit bytes) and the optional footer.
    const size_t body = size_t(tag[6] & 0x7F) << 21 | size_t(tag[7] & 0x7F) << 14 |
                        size_t(tag[8] & 0x7F) << 7 | size_t(tag[9] & 0x7F);
    const size_t size = 10 + body + ((tag[5] & 0x10) ? 10 : 0);
    if (size > tag.size())
        return false;
    tag.resize(size);
    tag.insert(tag.end(), audio.begin(), audio.end());
    return writeBytes(path, tag);
}

fs::path encodeTone(const std::string& fileName, double frequencyHz, double seconds, int sampleRate,
                    int channels, const std::vector<std::string>& extraArgs, double amplitude,
                    const std::vector<std::string>& metadata) {
    // The sine source runs forever at duration 0.
    if (!(seconds > 0) || sampleRate <= 0 || channels <= 0)
        return {};
    const fs::path out = mediaDir() / fileName;
    const std::string ext = lowerExtension(out);
    if (ext == "raw") {
        // The raw reader assumes CD format whatever the caller asked for.
        sampleRate = 44100;
        channels = 2;
    }
    // The sine source's amplitude is 1/8 of full scale.
    std::string command =
        "ffmpeg -hide_banner -loglevel error -y -nostdin -f lavfi -i " +
        shellQuote("sine=frequency=" + number(frequencyHz) +
                   ":sample_rate=" + std::to_string(sampleRate) + ":duration=" + number(seconds)) +
        " -af " + shellQuote("volume=" + number(amplitude * 8.0) + "," + copyToChannels(channels)) +
        " -ar " + std::to_string(sampleRate) + " -ac " + std::to_string(channels);
    // No encoder-version tags: the same bytes every run, and WAV headers of exactly 44 bytes.
    command += " -fflags +bitexact -flags:a +bitexact";
    for (const auto& arg : formatArgs(ext))
        command += " " + shellQuote(arg);
    // The MP2 muxer drops tags, and the MP3 muxer refuses layer II: the tag comes afterwards.
    const bool tagAfterwards = ext == "mp2" && !metadata.empty();
    if (!tagAfterwards) {
        for (const auto& arg : metadata)
            command += " -metadata " + shellQuote(arg);
    }
    // Without this the AIFF muxer keeps only the title, in its own NAME chunk.
    if (!metadata.empty() && (ext == "aiff" || ext == "aif" || ext == "aifc"))
        command += " -write_id3v2 1";
    for (const auto& arg : extraArgs)
        command += " " + shellQuote(arg);
    command += " " + shellQuote(out.string());
    std::error_code ignored;
    if (!run(command) || !fs::exists(out, ignored) ||
        (tagAfterwards && !prependId3v2(out, metadata))) {
        fs::remove(out, ignored);
        return {};
    }
    return out;
}

// ---- trackers ----

constexpr double kRowSeconds = 6 * 2.5 / 125.0; // speed 6 at tempo 125

// One cycle of a sine, repeated: a clean looped tone that libopenmpt plays steadily.
constexpr int kCycleSamples = 32;
constexpr int kCycles = 8;
std::vector<int8_t> loopedSine() {
    std::vector<int8_t> data(kCycleSamples * kCycles);
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<int8_t>(
            std::lround(100.0 * std::sin(2.0 * std::numbers::pi * double(i) / kCycleSamples)));
    return data;
}

size_t rowsFor(double seconds) {
    return std::max<size_t>(1, static_cast<size_t>(std::lround(seconds / kRowSeconds)));
}

// S3M and IT lay a tone out alike: 64-row patterns, pattern 0 starts the note, pattern 1 is
// empty filler, and the last order's pattern ends the song early with a pattern break (C00).
constexpr size_t kRowsPerPattern = 64;
constexpr uint8_t kPatternBreak = 3; // command C in both formats

struct ToneSong {
    std::vector<uint8_t> orders;       // pattern numbers in play order, without terminators
    size_t breakRow = kRowsPerPattern; // in the last pattern; kRowsPerPattern: it runs full
    size_t patterns() const { return orders.size() == 1 ? 1 : 3; }
};

ToneSong toneSong(double seconds, size_t maxOrders) {
    const size_t rows = std::min(rowsFor(seconds), kRowsPerPattern * maxOrders);
    const size_t orders = (rows + kRowsPerPattern - 1) / kRowsPerPattern;
    const size_t lastRows = rows - (orders - 1) * kRowsPerPattern;
    ToneSong song;
    song.orders.push_back(0);
    if (orders > 1) {
        song.orders.insert(song.orders.end(), orders - 2, 1);
        song.orders.push_back(2);
    }
    if (lastRows < kRowsPerPattern)
        song.breakRow = lastRows - 1;
    return song;
}

// Parapointers and sample offsets are only known once what precedes them is written.
void patchLe16(std::vector<uint8_t>& out, size_t at, unsigned value) {
    out[at] = static_cast<uint8_t>(value);
    out[at + 1] = static_cast<uint8_t>(value >> 8);
}
void patchLe32(std::vector<uint8_t>& out, size_t at, uint32_t value) {
    for (size_t i = 0; i < 4; ++i)
        out[at + i] = static_cast<uint8_t>(value >> (8 * i));
}
// S3M parapointers count 16-byte paragraphs.
void alignToParagraph(std::vector<uint8_t>& out) {
    out.resize((out.size() + 15) / 16 * 16, 0);
}

std::vector<uint8_t> modCell(int sample, int period, int effect, int param) {
    return {static_cast<uint8_t>((sample & 0xF0) | ((period >> 8) & 0x0F)),
            static_cast<uint8_t>(period & 0xFF),
            static_cast<uint8_t>(((sample & 0x0F) << 4) | (effect & 0x0F)),
            static_cast<uint8_t>(param)};
}

// ---- VAG ----

constexpr std::array<int, 5> kVagCoef0 = {0, 60, 115, 98, 122};
constexpr std::array<int, 5> kVagCoef1 = {0, 0, -52, -55, -60};

struct VagBlock {
    std::array<int, 28> nibbles{};
    int predictor = 0;
    int shift = 0;
    int hist1 = 0, hist2 = 0; // decoder history after this block
};

int clamp16(int v) {
    return std::clamp(v, -32768, 32767);
}

// Tries every filter and shift against what a decoder will reconstruct, keeping the closest.
VagBlock encodeVagBlock(const int16_t* pcm, int hist1, int hist2) {
    VagBlock best;
    double bestError = std::numeric_limits<double>::max();
    for (int predictor = 0; predictor < 5; ++predictor) {
        for (int shift = 0; shift <= 12; ++shift) {
            VagBlock block;
            block.predictor = predictor;
            block.shift = shift;
            int h1 = hist1, h2 = hist2;
            double error = 0;
            for (int i = 0; i < 28; ++i) {
                const int predicted =
                    (h1 * kVagCoef0[predictor] + h2 * kVagCoef1[predictor] + 32) >> 6;
                const double residual = double(pcm[i] - predicted);
                const int nibble =
                    std::clamp(int(std::lround(residual * double(1 << shift) / 4096.0)), -8, 7);
                const int decoded = clamp16(((nibble * 4096) >> shift) + predicted);
                error += (decoded - pcm[i]) * double(decoded - pcm[i]);
                block.nibbles[i] = nibble;
                h2 = h1;
                h1 = decoded;
            }
            if (error < bestError) {
                bestError = error;
                block.hist1 = h1;
                block.hist2 = h2;
                best = block;
            }
        }
    }
    return best;
}

// ---- signal analysis ----

void fft(std::vector<std::complex<double>>& data) {
    const size_t n = data.size();
    for (size_t i = 1, j = 0; i < n; ++i) {
        size_t bit = n >> 1;
        for (; j & bit; bit >>= 1)
            j ^= bit;
        j ^= bit;
        if (i < j)
            std::swap(data[i], data[j]);
    }
    for (size_t length = 2; length <= n; length <<= 1) {
        const double angle = -2.0 * std::numbers::pi / double(length);
        const std::complex<double> step(std::cos(angle), std::sin(angle));
        for (size_t start = 0; start < n; start += length) {
            std::complex<double> w(1.0, 0.0);
            for (size_t k = 0; k < length / 2; ++k) {
                const auto even = data[start + k];
                const auto odd = data[start + k + length / 2] * w;
                data[start + k] = even + odd;
                data[start + k + length / 2] = even - odd;
                w *= step;
            }
        }
    }
}

size_t nextPowerOfTwo(size_t n) {
    size_t p = 1;
    while (p < n)
        p <<= 1;
    return p;
}

// Power spectrum (bins 0..size/2) of the windowed signal zero-padded to `size`.
std::vector<double> powerSpectrum(const std::vector<float>& mono, size_t size,
                                  const std::function<double(double)>& window) {
    std::vector<std::complex<double>> data(size);
    const size_t n = mono.size();
    for (size_t i = 0; i < n; ++i)
        data[i] = double(mono[i]) * window(n > 1 ? double(i) / double(n - 1) : 0.0);
    fft(data);
    std::vector<double> power(size / 2 + 1);
    for (size_t k = 0; k < power.size(); ++k)
        power[k] = std::norm(data[k]);
    return power;
}

double hann(double x) {
    return 0.5 - 0.5 * std::cos(2.0 * std::numbers::pi * x);
}

// Nuttall's four-term window: sidelobes at -93 dB that keep falling, so leakage from the tone
// does not masquerade as spurious energy far from it.
double nuttall(double x) {
    const double a = 2.0 * std::numbers::pi * x;
    return 0.355768 - 0.487396 * std::cos(a) + 0.144232 * std::cos(2 * a) -
           0.012604 * std::cos(3 * a);
}

} // namespace

fs::path mediaDir() {
    static const MediaFolder folder;
    return folder.path();
}

bool run(const std::string& command) {
    const int status = std::system(("(" + command + ") </dev/null >/dev/null 2>&1").c_str());
    return status != -1 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

fs::path makeVideo(const std::string& fileName, double seconds, int width, int height,
                   double frequencyHz) {
    if (!(seconds > 0) || width <= 0 || height <= 0)
        return {};
    const fs::path out = mediaDir() / fileName;
    const std::string ext = lowerExtension(out);
    std::vector<std::string> codecs;
    if (ext == "avi")
        codecs = {"-c:v", "mpeg4", "-q:v", "5", "-c:a", "libmp3lame"};
    else if (ext == "wmv")
        codecs = {"-c:v", "wmv2", "-q:v", "5", "-c:a", "wmav2"};
    else if (ext == "mpg" || ext == "mpeg")
        codecs = {"-c:v", "mpeg1video", "-q:v", "5", "-c:a", "mp2", "-f", "mpeg"};
    else if (ext == "ogm")
        codecs = {"-c:v", "libtheora", "-q:v", "5", "-c:a", "libvorbis", "-f", "ogg"};
    else
        return {};
    const std::string size = std::to_string(width) + "x" + std::to_string(height);
    std::string command =
        "ffmpeg -hide_banner -loglevel error -y -nostdin -f lavfi -i " +
        shellQuote("testsrc=size=" + size + ":rate=25:duration=" + number(seconds)) +
        " -f lavfi -i " +
        shellQuote("sine=frequency=" + number(frequencyHz) + ":duration=" + number(seconds)) +
        " -pix_fmt yuv420p -ac 2 -ar 44100";
    for (const auto& arg : codecs)
        command += " " + shellQuote(arg);
    command += " " + shellQuote(out.string());
    std::error_code ignored;
    if (!run(command) || !fs::exists(out, ignored)) {
        fs::remove(out, ignored);
        return {};
    }
    return out;
}

fs::path makeTone(const std::string& fileName, double frequencyHz, double seconds, int sampleRate,
                  int channels, const std::vector<std::string>& extraArgs, double amplitude) {
    return encodeTone(fileName, frequencyHz, seconds, sampleRate, channels, extraArgs, amplitude,
                      {});
}

fs::path makeTaggedTone(const std::string& fileName, double frequencyHz, double seconds,
                        const std::string& title, const std::string& artist,
                        const std::string& album, const std::vector<std::string>& extraArgs) {
    return encodeTone(fileName, frequencyHz, seconds, 44100, 2, extraArgs, 0.5,
                      {"title=" + title, "artist=" + artist, "album=" + album});
}

fs::path withCoverPicture(const fs::path& audio, const fs::path& picture,
                          const std::string& fileName) {
    const fs::path out = mediaDir() / fileName;
    const std::string command = "ffmpeg -hide_banner -loglevel error -y -nostdin -i " +
                                shellQuote(audio.string()) + " -i " + shellQuote(picture.string()) +
                                " -map 0:a -map 1 -c copy -id3v2_version 3"
                                " -disposition:v attached_pic " +
                                shellQuote(out.string());
    return run(command) ? out : fs::path();
}

fs::path makeMod(const std::string& fileName, double seconds) {
    constexpr size_t kRowsPerPattern = 64;
    constexpr size_t kMaxOrders = 128;
    constexpr int kPeriodC2 = 428; // about 8287 Hz sample rate on a PAL Amiga
    size_t rows = std::min(rowsFor(seconds), kRowsPerPattern * kMaxOrders);
    const size_t orders = (rows + kRowsPerPattern - 1) / kRowsPerPattern;
    const size_t lastRows = rows - (orders - 1) * kRowsPerPattern;

    // Pattern 0 starts the note; pattern 1 is empty filler; the last order's pattern ends the
    // song early with a pattern break, which after the last order means the end.
    std::vector<std::vector<uint8_t>> patterns;
    auto emptyPattern = [] { return std::vector<uint8_t>(kRowsPerPattern * 4 * 4, 0); };
    auto setCell = [](std::vector<uint8_t>& pattern, size_t row, size_t channel,
                      const std::vector<uint8_t>& cell) {
        std::copy(cell.begin(), cell.end(), pattern.begin() + long((row * 4 + channel) * 4));
    };
    patterns.push_back(emptyPattern());
    setCell(patterns[0], 0, 0, modCell(1, kPeriodC2, 0, 0));
    setCell(patterns[0], 0, 1, modCell(0, 0, 0xF, 6));
    setCell(patterns[0], 0, 2, modCell(0, 0, 0xF, 125));
    std::vector<uint8_t> orderList(kMaxOrders, 0);
    if (orders > 1) {
        patterns.push_back(emptyPattern());
        for (size_t i = 1; i + 1 < orders; ++i)
            orderList[i] = 1;
        patterns.push_back(emptyPattern());
        orderList[orders - 1] = 2;
    }
    if (lastRows < kRowsPerPattern)
        setCell(patterns.back(), lastRows - 1, 3, modCell(0, 0, 0xD, 0));

    const auto sample = loopedSine();
    std::vector<uint8_t> out;
    putText(out, kTrackerSongName, 20);
    for (int s = 0; s < 31; ++s) {
        if (s == 0) {
            putText(out, "sine", 22);
            putBe16(out, unsigned(sample.size() / 2)); // lengths count 16-bit words
            out.push_back(0);                          // finetune
            out.push_back(64);                         // volume
            putBe16(out, 0);                           // loop start
            putBe16(out, unsigned(sample.size() / 2)); // loop length: the whole sample
        } else {
            putText(out, "", 22);
            putBe16(out, 0);
            out.push_back(0);
            out.push_back(0);
            putBe16(out, 0);
            putBe16(out, 1); // "no loop" in ProTracker's own convention
        }
    }
    out.push_back(static_cast<uint8_t>(orders));
    out.push_back(127); // restart byte as ProTracker writes it: no restart position
    out.insert(out.end(), orderList.begin(), orderList.end());
    putText(out, "M.K.", 4);
    for (const auto& pattern : patterns)
        out.insert(out.end(), pattern.begin(), pattern.end());
    for (int8_t v : sample)
        out.push_back(static_cast<uint8_t>(v));

    const fs::path path = mediaDir() / fileName;
    return writeBytes(path, out) ? path : fs::path();
}

fs::path makeXm(const std::string& fileName, double seconds) {
    constexpr size_t kMaxRowsPerPattern = 256;
    constexpr size_t kMaxOrders = 256;
    constexpr uint8_t kNoteC4 = 49; // plays the sample at 8363 Hz
    const size_t rows = std::min(rowsFor(seconds), kMaxRowsPerPattern * kMaxOrders);
    const size_t orders = (rows + kMaxRowsPerPattern - 1) / kMaxRowsPerPattern;
    const size_t lastRows = rows - (orders - 1) * kMaxRowsPerPattern;
    constexpr int kChannels = 4;

    // Packed pattern data: 0x80 alone is an empty cell.
    auto pattern = [&](size_t rowCount, bool startNote) {
        std::vector<uint8_t> data;
        for (size_t row = 0; row < rowCount; ++row) {
            for (int channel = 0; channel < kChannels; ++channel) {
                if (row == 0 && channel == 0 && startNote) {
                    data.insert(data.end(), {0x80 | 0x01 | 0x02, kNoteC4, 1});
                } else {
                    data.push_back(0x80);
                }
            }
        }
        std::vector<uint8_t> out;
        putLe32(out, 9); // pattern header length
        out.push_back(0);
        putLe16(out, unsigned(rowCount));
        putLe16(out, unsigned(data.size()));
        out.insert(out.end(), data.begin(), data.end());
        return out;
    };

    std::vector<std::vector<uint8_t>> patterns;
    std::vector<uint8_t> orderList(kMaxOrders, 0);
    if (orders == 1) {
        patterns.push_back(pattern(lastRows, true));
    } else {
        patterns.push_back(pattern(kMaxRowsPerPattern, true));
        patterns.push_back(pattern(kMaxRowsPerPattern, false));
        patterns.push_back(pattern(lastRows, false));
        for (size_t i = 1; i + 1 < orders; ++i)
            orderList[i] = 1;
        orderList[orders - 1] = 2;
    }

    const auto sample = loopedSine();
    std::vector<uint8_t> out;
    putText(out, "Extended Module: ", 17);
    putText(out, kTrackerSongName, 20);
    out.push_back(0x1A);
    putText(out, "sorvel tests", 20);
    putLe16(out, 0x0104);
    putLe32(out, 276); // header size from this field on
    putLe16(out, unsigned(orders));
    putLe16(out, 0); // restart position; the player stops at the end unless told to loop
    putLe16(out, kChannels);
    putLe16(out, unsigned(patterns.size()));
    putLe16(out, 1); // instruments
    putLe16(out, 1); // linear frequency table
    putLe16(out, 6);
    putLe16(out, 125);
    out.insert(out.end(), orderList.begin(), orderList.end());
    for (const auto& p : patterns)
        out.insert(out.end(), p.begin(), p.end());

    // One instrument, one sample, no envelopes: the note holds until the song ends.
    const size_t instrumentStart = out.size();
    putLe32(out, 263);
    putText(out, "sine", 22);
    out.push_back(0);
    putLe16(out, 1);
    putLe32(out, 40);
    out.insert(out.end(), 96, 0); // every note uses sample 0
    out.insert(out.end(), 48 + 48, 0);
    out.insert(out.end(), 2 + 6 + 2 + 4, 0);
    putLe16(out, 0);                       // fadeout
    out.resize(instrumentStart + 263, 0);  // reserved tail as FastTracker writes it
    putLe32(out, uint32_t(sample.size())); // length in bytes
    putLe32(out, 0);                       // loop start
    putLe32(out, uint32_t(sample.size())); // loop length
    out.push_back(64);                     // volume
    out.push_back(0);                      // finetune
    out.push_back(1);                      // forward loop, 8-bit
    out.push_back(128);                    // panning
    out.push_back(0);                      // relative note
    out.push_back(0);                      // reserved
    putText(out, "sine", 22);
    int8_t previous = 0;
    for (int8_t v : sample) { // delta coded
        out.push_back(static_cast<uint8_t>(static_cast<int8_t>(v - previous)));
        previous = v;
    }

    const fs::path path = mediaDir() / fileName;
    return writeBytes(path, out) ? path : fs::path();
}

fs::path makeS3m(const std::string& fileName, double seconds) {
    constexpr size_t kMaxOrders = 254; // the list and its end marker stay within 256, even
    constexpr uint8_t kNoteC4 = 0x40;  // octave 4, C: the sample at its own rate
    constexpr uint8_t kEndOfRow = 0;
    constexpr uint8_t kNoteAndInstrument = 0x20, kCommand = 0x80;
    const ToneSong song = toneSong(seconds, kMaxOrders);

    std::vector<std::vector<uint8_t>> patterns;
    for (size_t p = 0; p < song.patterns(); ++p) {
        std::vector<uint8_t> data(2, 0); // packed length, this field included
        for (size_t row = 0; row < kRowsPerPattern; ++row) {
            if (row == 0 && p == 0)
                data.insert(data.end(), {kNoteAndInstrument | 0, kNoteC4, 1});
            if (row == song.breakRow && p + 1 == song.patterns())
                data.insert(data.end(), {kCommand | 3, kPatternBreak, 0});
            data.push_back(kEndOfRow);
        }
        patchLe16(data, 0, unsigned(data.size()));
        patterns.push_back(std::move(data));
    }
    std::vector<uint8_t> orderList = song.orders;
    orderList.push_back(255); // end of song
    if (orderList.size() % 2)
        orderList.push_back(255); // Scream Tracker keeps the count even

    const auto sample = loopedSine();
    std::vector<uint8_t> out;
    putText(out, kTrackerSongName, 28);
    out.push_back(0x1A);
    out.push_back(16); // module
    putLe16(out, 0);
    putLe16(out, unsigned(orderList.size()));
    putLe16(out, 1); // samples
    putLe16(out, unsigned(patterns.size()));
    putLe16(out, 0);      // flags
    putLe16(out, 0x1320); // Scream Tracker 3.20
    putLe16(out, 2);      // sample data unsigned, as Scream Tracker writes it
    putText(out, "SCRM", 4);
    out.push_back(64);   // global volume
    out.push_back(6);    // speed
    out.push_back(125);  // tempo
    out.push_back(0x30); // master volume 48 with the stereo bit clear: both sides the same
    out.push_back(16);   // click removal
    out.push_back(0);    // no panning table follows
    out.insert(out.end(), 8, 0);
    putLe16(out, 0); // no extra data block
    // Four channels, left 1, right 1, left 2, right 2; the rest unused.
    for (int channel = 0; channel < 32; ++channel)
        out.push_back(channel < 4 ? uint8_t((channel % 2) * 8 + channel / 2) : 255);
    out.insert(out.end(), orderList.begin(), orderList.end());
    const size_t sampleHeaderPointer = out.size();
    putLe16(out, 0);
    const size_t patternPointers = out.size();
    out.insert(out.end(), patterns.size() * 2, 0);

    // Sample header, patterns, sample data: each on a paragraph, in the order trackers use.
    alignToParagraph(out);
    patchLe16(out, sampleHeaderPointer, unsigned(out.size() / 16));
    out.push_back(1); // sampled instrument
    putText(out, "sine.raw", 12);
    const size_t dataPointer = out.size();
    out.insert(out.end(), 3, 0);
    putLe32(out, uint32_t(sample.size()));
    putLe32(out, 0);                       // loop start
    putLe32(out, uint32_t(sample.size())); // loop end
    out.push_back(64);                     // volume
    out.push_back(0);
    out.push_back(0); // not packed
    out.push_back(1); // looped, mono, 8-bit
    putLe32(out, 8363);
    out.insert(out.end(), 12, 0);
    putText(out, "sine", 28);
    putText(out, "SCRS", 4);
    for (size_t p = 0; p < patterns.size(); ++p) {
        alignToParagraph(out);
        patchLe16(out, patternPointers + 2 * p, unsigned(out.size() / 16));
        out.insert(out.end(), patterns[p].begin(), patterns[p].end());
    }
    alignToParagraph(out);
    // The sample's parapointer has 24 bits: the high byte first, then the low 16 bits.
    const size_t paragraph = out.size() / 16;
    out[dataPointer] = static_cast<uint8_t>(paragraph >> 16);
    patchLe16(out, dataPointer + 1, unsigned(paragraph & 0xFFFF));
    for (int8_t v : sample)
        out.push_back(static_cast<uint8_t>(v + 128));

    const fs::path path = mediaDir() / fileName;
    return writeBytes(path, out) ? path : fs::path();
}

fs::path makeIt(const std::string& fileName, double seconds) {
    constexpr size_t kMaxOrders = 255; // plus the end marker
    constexpr uint8_t kNoteC5 = 60;    // the sample at its own rate
    constexpr int kChannels = 4;
    constexpr uint8_t kEndOfRow = 0, kNewMask = 0x80;
    constexpr uint8_t kNote = 0x01, kInstrument = 0x02, kCommand = 0x08;
    const ToneSong song = toneSong(seconds, kMaxOrders);

    std::vector<std::vector<uint8_t>> patterns;
    for (size_t p = 0; p < song.patterns(); ++p) {
        std::vector<uint8_t> data;
        for (size_t row = 0; row < kRowsPerPattern; ++row) {
            // Channels count from 1 here.
            if (row == 0 && p == 0)
                data.insert(data.end(), {kNewMask | 1, kNote | kInstrument, kNoteC5, 1});
            if (row == song.breakRow && p + 1 == song.patterns())
                data.insert(data.end(), {kNewMask | kChannels, kCommand, kPatternBreak, 0});
            data.push_back(kEndOfRow);
        }
        std::vector<uint8_t> pattern;
        putLe16(pattern, unsigned(data.size()));
        putLe16(pattern, unsigned(kRowsPerPattern));
        putLe32(pattern, 0);
        pattern.insert(pattern.end(), data.begin(), data.end());
        patterns.push_back(std::move(pattern));
    }
    std::vector<uint8_t> orderList = song.orders;
    orderList.push_back(255); // end of song

    const auto sample = loopedSine();
    std::vector<uint8_t> out;
    putText(out, "IMPM", 4);
    putText(out, kTrackerSongName, 26);
    putLe16(out, 0x1004); // row highlights every 4 and 16
    putLe16(out, unsigned(orderList.size()));
    putLe16(out, 0); // instruments: notes play samples directly
    putLe16(out, 1); // samples
    putLe16(out, unsigned(patterns.size()));
    putLe16(out, 0x0214);      // made with Impulse Tracker 2.14
    putLe16(out, 0x0214);      // and needs it
    putLe16(out, 0x01 | 0x08); // stereo, linear slides
    putLe16(out, 0);           // no message, no embedded extras
    out.push_back(128);        // global volume
    out.push_back(48);         // mix volume
    out.push_back(6);          // speed
    out.push_back(125);        // tempo
    out.push_back(128);        // stereo separation
    out.push_back(0);          // pitch wheel depth
    putLe16(out, 0);           // message length
    putLe32(out, 0);           // message offset
    putLe32(out, 0);
    for (int channel = 0; channel < 64; ++channel)
        out.push_back(channel < kChannels ? 32 : 32 | 128); // centred; the rest disabled
    out.insert(out.end(), 64, 64);                          // channel volumes
    out.insert(out.end(), orderList.begin(), orderList.end());
    const size_t sampleHeaderOffset = out.size();
    putLe32(out, 0);
    const size_t patternOffsets = out.size();
    out.insert(out.end(), patterns.size() * 4, 0);

    patchLe32(out, sampleHeaderOffset, uint32_t(out.size()));
    putText(out, "IMPS", 4);
    putText(out, "sine.raw", 12);
    out.push_back(0);
    out.push_back(64);          // global volume
    out.push_back(0x01 | 0x10); // data present, looped, 8-bit mono
    out.push_back(64);          // volume
    putText(out, "sine", 26);
    out.push_back(0x01); // signed
    out.push_back(32);   // default pan, not used (bit 7 clear)
    putLe32(out, uint32_t(sample.size()));
    putLe32(out, 0);                       // loop start
    putLe32(out, uint32_t(sample.size())); // loop end
    putLe32(out, 8363);                    // rate of C-5
    putLe32(out, 0);                       // sustain loop
    putLe32(out, 0);
    const size_t dataOffset = out.size();
    putLe32(out, 0);
    out.insert(out.end(), 4, 0); // no vibrato
    for (size_t p = 0; p < patterns.size(); ++p) {
        patchLe32(out, patternOffsets + 4 * p, uint32_t(out.size()));
        out.insert(out.end(), patterns[p].begin(), patterns[p].end());
    }
    patchLe32(out, dataOffset, uint32_t(out.size()));
    for (int8_t v : sample)
        out.push_back(static_cast<uint8_t>(v));

    const fs::path path = mediaDir() / fileName;
    return writeBytes(path, out) ? path : fs::path();
}

fs::path makeVag(const std::string& fileName, double frequencyHz, double seconds, int sampleRate) {
    if (sampleRate <= 0 || seconds < 0)
        return {};
    const size_t frames = static_cast<size_t>(std::llround(seconds * sampleRate));
    const size_t blocks = std::max<size_t>(1, (frames + 27) / 28);
    std::vector<int16_t> pcm(blocks * 28, 0);
    for (size_t i = 0; i < frames; ++i)
        pcm[i] = static_cast<int16_t>(std::lround(
            16384.0 * std::sin(2.0 * std::numbers::pi * frequencyHz * double(i) / sampleRate)));

    std::vector<uint8_t> data;
    int hist1 = 0, hist2 = 0;
    for (size_t b = 0; b < blocks; ++b) {
        const VagBlock block = encodeVagBlock(&pcm[b * 28], hist1, hist2);
        hist1 = block.hist1;
        hist2 = block.hist2;
        data.push_back(static_cast<uint8_t>((block.predictor << 4) | block.shift));
        data.push_back(b + 1 == blocks ? 1 : 0); // the last block carries the end flag
        for (int i = 0; i < 28; i += 2)
            data.push_back(static_cast<uint8_t>((block.nibbles[i] & 0x0F) |
                                                ((block.nibbles[i + 1] & 0x0F) << 4)));
    }

    std::vector<uint8_t> out;
    putText(out, "VAGp", 4);
    putBe32(out, 0x20); // version
    putBe32(out, 0);
    putBe32(out, uint32_t(data.size()));
    putBe32(out, uint32_t(sampleRate));
    out.insert(out.end(), 12, 0);
    putText(out, fs::path(fileName).stem().string(), 16);
    out.insert(out.end(), data.begin(), data.end());

    const fs::path path = mediaDir() / fileName;
    return writeBytes(path, out) ? path : fs::path();
}

fs::path makeZip(const std::string& fileName, const std::vector<fs::path>& members) {
    const fs::path path = mediaDir() / fileName;
    std::error_code ignored;
    fs::remove(path, ignored);
    int error = 0;
    std::unique_ptr<zip_t, decltype(&zip_discard)> archive(
        zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error), &zip_discard);
    if (!archive)
        return {};
    for (const auto& member : members) {
        zip_source_t* source = zip_source_file(archive.get(), member.c_str(), 0, 0);
        if (!source)
            return {};
        // On success the archive owns the source; on failure it stays ours to free.
        if (zip_file_add(archive.get(), member.filename().c_str(), source,
                         ZIP_FL_OVERWRITE | ZIP_FL_ENC_UTF_8) < 0) {
            zip_source_free(source);
            return {};
        }
    }
    if (zip_close(archive.get()) != 0)
        return {};
    archive.release(); // zip_close freed it
    if (members.empty()) {
        // libzip writes no file for an empty archive; an empty archive is just the end record.
        std::vector<uint8_t> end = {'P', 'K', 5, 6};
        end.resize(22, 0);
        if (!writeBytes(path, end))
            return {};
    }
    return path;
}

fs::path makeGarbage(const std::string& fileName, size_t size) {
    // Seeded by name: the same garbage every run, different garbage per file.
    std::mt19937 generator(static_cast<uint32_t>(std::hash<std::string>{}(fileName)));
    std::uniform_int_distribution<int> byte(0, 255);
    std::vector<uint8_t> bytes(size);
    for (auto& b : bytes)
        b = static_cast<uint8_t>(byte(generator));
    const fs::path path = mediaDir() / fileName;
    return writeBytes(path, bytes) ? path : fs::path();
}

fs::path makeTruncated(const std::string& fileName, const fs::path& source, size_t bytes) {
    std::vector<uint8_t> data;
    try {
        data = readBytes(source);
    } catch (const std::exception&) {
        return {};
    }
    data.resize(std::min(bytes, data.size()));
    const fs::path path = mediaDir() / fileName;
    return writeBytes(path, data) ? path : fs::path();
}

WavData readWav(const fs::path& path) {
    const std::vector<uint8_t> bytes = readBytes(path);
    auto fail = [&](const std::string& why) {
        throw std::runtime_error(path.string() + ": " + why);
    };
    auto le16 = [&](size_t at) { return unsigned(bytes[at]) | unsigned(bytes[at + 1]) << 8; };
    auto le32 = [&](size_t at) { return uint32_t(le16(at)) | uint32_t(le16(at + 2)) << 16; };
    auto idIs = [&](size_t at, const char* id) { return std::memcmp(&bytes[at], id, 4) == 0; };

    if (bytes.size() < 12 || !idIs(0, "RIFF") || !idIs(8, "WAVE"))
        fail("not a RIFF WAVE file");
    if (uint64_t(le32(4)) + 8 != bytes.size())
        fail("RIFF size does not match the file size");

    WavData wav;
    bool haveFormat = false, haveData = false;
    size_t dataAt = 0, dataSize = 0;
    size_t blockAlign = 0;
    for (size_t at = 12; at < bytes.size();) {
        if (bytes.size() - at < 8)
            fail("truncated chunk header");
        const uint32_t size = le32(at + 4);
        const size_t body = at + 8;
        if (size > bytes.size() - body)
            fail("chunk runs past the end of the file");
        if (idIs(at, "fmt ")) {
            if (haveFormat)
                fail("two format chunks");
            if (size < 16)
                fail("format chunk too small");
            wav.formatTag = int(le16(body));
            wav.channels = int(le16(body + 2));
            wav.sampleRate = int(le32(body + 4));
            const uint32_t byteRate = le32(body + 8);
            blockAlign = le16(body + 12);
            wav.bitsPerSample = int(le16(body + 14));
            if (wav.formatTag == 0xFFFE) {
                if (size < 40 || le16(body + 16) < 22)
                    fail("extensible format chunk too small");
                wav.formatTag = int(le16(body + 24)); // first two bytes of the sub-format
            }
            if (wav.channels < 1 || wav.sampleRate < 1)
                fail("no channels or no sample rate");
            const bool pcm =
                wav.formatTag == 1 && (wav.bitsPerSample == 8 || wav.bitsPerSample == 16 ||
                                       wav.bitsPerSample == 24 || wav.bitsPerSample == 32);
            const bool floating = wav.formatTag == 3 && wav.bitsPerSample == 32;
            if (!pcm && !floating)
                fail("unsupported sample format");
            if (blockAlign != size_t(wav.channels) * size_t(wav.bitsPerSample / 8))
                fail("block size does not match channels and bits");
            if (byteRate != uint64_t(blockAlign) * uint64_t(wav.sampleRate))
                fail("byte rate does not match");
            haveFormat = true;
        } else if (idIs(at, "data")) {
            if (!haveFormat)
                fail("data before format");
            if (haveData)
                fail("two data chunks");
            if (size % blockAlign != 0)
                fail("data size is not a whole number of frames");
            dataAt = body;
            dataSize = size;
            haveData = true;
        }
        at = body + size + (size & 1);
        if (at > bytes.size())
            fail("missing pad byte after an odd-sized chunk");
    }
    if (!haveFormat || !haveData)
        fail("missing format or data chunk");

    const size_t bytesPerSample = size_t(wav.bitsPerSample / 8);
    const size_t count = dataSize / bytesPerSample;
    wav.samples.resize(count);
    for (size_t i = 0; i < count; ++i) {
        const uint8_t* p = &bytes[dataAt + i * bytesPerSample];
        float value = 0.0f;
        switch (wav.bitsPerSample) {
        case 8:
            value = float((int(p[0]) - 128) / 128.0);
            break;
        case 16:
            value = float(int16_t(uint16_t(p[0] | p[1] << 8)) / 32768.0);
            break;
        case 24: {
            const int32_t v =
                int32_t(uint32_t(p[0]) << 8 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 24) >> 8;
            value = float(v / 8388608.0);
            break;
        }
        case 32: {
            const uint32_t bits =
                uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
            if (wav.formatTag == 3)
                std::memcpy(&value, &bits, sizeof value);
            else
                value = float(int32_t(bits) / 2147483648.0);
            break;
        }
        }
        wav.samples[i] = value;
    }
    return wav;
}

std::vector<float> channelOf(const WavData& wav, int channel, size_t first, size_t count) {
    std::vector<float> out;
    if (channel < 0 || channel >= wav.channels)
        return out;
    const size_t frames = wav.frames();
    if (first >= frames)
        return out;
    const size_t last = count >= frames - first ? frames : first + count;
    out.reserve(last - first);
    for (size_t f = first; f < last; ++f)
        out.push_back(wav.samples[f * size_t(wav.channels) + size_t(channel)]);
    return out;
}

double measureFrequency(const std::vector<float>& mono, int sampleRate) {
    if (mono.size() < 16 || sampleRate <= 0)
        return 0.0;
    // Padding to four times the length narrows the bins so the parabola fits the peak closely.
    const size_t size = nextPowerOfTwo(mono.size() * 4);
    const std::vector<double> power = powerSpectrum(mono, size, hann);
    // Skip the main lobe of any DC offset: a tone that low cannot be resolved anyway.
    const size_t firstBin = 2 * size / mono.size() + 1;
    if (power.size() < firstBin + 3)
        return 0.0;
    size_t best = firstBin;
    for (size_t k = firstBin; k + 1 < power.size(); ++k)
        if (power[k] > power[best])
            best = k;
    if (power[best] <= 0.0)
        return 0.0;
    const double floor = power[best] * 1e-30;
    const double a = std::log(std::max(power[best - 1], floor));
    const double b = std::log(power[best]);
    const double c = std::log(std::max(power[best + 1], floor));
    const double denominator = a - 2.0 * b + c;
    const double offset = denominator != 0.0 ? 0.5 * (a - c) / denominator : 0.0;
    return (double(best) + offset) * double(sampleRate) / double(size);
}

double rms(const std::vector<float>& mono) {
    if (mono.empty())
        return 0.0;
    double sum = 0.0;
    for (float v : mono)
        sum += double(v) * double(v);
    return std::sqrt(sum / double(mono.size()));
}

double peak(const std::vector<float>& mono) {
    double highest = 0.0;
    for (float v : mono)
        highest = std::max(highest, std::fabs(double(v)));
    return highest;
}

std::vector<double> toneSequence(const WavData& wav, const std::vector<double>& tones) {
    std::vector<double> heard;
    if (tones.empty() || wav.sampleRate <= 0) {
        return heard;
    }
    const std::vector<float> left = channelOf(wav, 0);
    const size_t window = static_cast<size_t>(wav.sampleRate / 10);
    for (size_t first = 0; first + window <= left.size(); first += window) {
        const std::vector<float> part(left.begin() + static_cast<std::ptrdiff_t>(first),
                                      left.begin() + static_cast<std::ptrdiff_t>(first + window));
        if (rms(part) < 0.05) {
            continue;
        }
        const double frequency = measureFrequency(part, wav.sampleRate);
        const auto nearest = std::min_element(tones.begin(), tones.end(), [&](double a, double b) {
            return std::abs(a - frequency) < std::abs(b - frequency);
        });
        if (std::abs(*nearest - frequency) > *nearest * 0.03) {
            continue;
        }
        if (heard.empty() || heard.back() != *nearest) {
            heard.push_back(*nearest);
        }
    }
    return heard;
}

double writtenSeconds(const fs::path& wav) {
    std::ifstream in(wav, std::ios::binary);
    char header[44] = {};
    if (!in.read(header, sizeof header)) {
        return 0.0;
    }
    auto u16 = [&](int at) {
        return unsigned(static_cast<unsigned char>(header[at])) |
               unsigned(static_cast<unsigned char>(header[at + 1])) << 8;
    };
    const unsigned channels = u16(22);
    const unsigned rate = u16(24) | u16(26) << 16;
    const unsigned bits = u16(34);
    std::error_code error;
    const auto size = fs::file_size(wav, error);
    if (error || channels == 0 || rate == 0 || bits == 0) {
        return 0.0;
    }
    return double(size - 44) / (double(rate) * channels * (bits / 8));
}

double spuriousLevelDb(const std::vector<float>& mono, int sampleRate, double frequencyHz,
                       double bandHz) {
    if (mono.empty() || sampleRate <= 0)
        return std::numeric_limits<double>::infinity();
    const size_t size = nextPowerOfTwo(mono.size());
    const std::vector<double> power = powerSpectrum(mono, size, nuttall);
    double inside = 0.0, outside = 0.0;
    for (size_t k = 0; k < power.size(); ++k) {
        const double hz = double(k) * double(sampleRate) / double(size);
        (std::fabs(hz - frequencyHz) <= bandHz ? inside : outside) += power[k];
    }
    if (inside <= 0.0)
        return std::numeric_limits<double>::infinity();
    return 10.0 * std::log10(std::max(outside, inside * 1e-30) / inside);
}

} // namespace testmedia
