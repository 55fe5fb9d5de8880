// Damaged media: small valid files of every format, mutated at random (bit flips, overwritten
// runs, truncations, size fields set to huge values, duplicated blocks), opened every way the
// player opens files, played to the end on the non-real-time output, sought, asked for tags and
// released. Any result code is fine; a crash, a channel that plays on past what the file could
// hold, or a handle, descriptor or thread left behind is not.
//
// The run is deterministic: a fixed seed (SORVEL_MUTATION_SEED overrides it), printed with every
// failure together with the mutant's number and what was done to it. SORVEL_MUTATION_VERBOSE=1
// names each mutant before it is opened, for a crash that leaves no failure to print;
// SORVEL_MUTATION_COUNT sets the mutants per format for a longer hunt.
#include "soundlib.h"
#include "test_media.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <iostream>
#include <iterator>
#include <random>
#include <string>
#include <string_view>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

constexpr uint64_t kDefaultSeed = 0x50125EEDull;
constexpr int kMutantsPerFormat = 26;
constexpr int kOutputRate = 44100;
constexpr uint64_t kBlockFrames = 1024; // rendered by one update on the non-real-time output
// The second half of playback runs the channel this many times faster than the output rate, so
// a source claiming a very low rate or a long length still reaches its end in few updates.
constexpr uint64_t kFastStep = 16;
constexpr int kNaturalBlocks = 24;
constexpr uint64_t kMaxFastBlocks = 4096;
// Source frames a byte of any format here can decode to, with a wide margin (8-bit mono PCM
// gives 1, the lowest MPEG and Vorbis rates about 10).
constexpr uint64_t kPlausibleFramesPerByte = 64;

uint64_t runSeed() {
    const char* text = std::getenv("SORVEL_MUTATION_SEED");
    return text && *text ? std::strtoull(text, nullptr, 0) : kDefaultSeed;
}

int mutantsPerFormat() {
    const char* text = std::getenv("SORVEL_MUTATION_COUNT");
    return text && *text ? std::max(1, std::atoi(text)) : kMutantsPerFormat;
}

bool verbose() {
    const char* text = std::getenv("SORVEL_MUTATION_VERBOSE");
    return text && *text == '1';
}

Bytes readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeFile(const fs::path& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

size_t countEntries(const char* folder) {
    std::error_code error;
    return static_cast<size_t>(std::distance(fs::directory_iterator(folder, error), {}));
}

// ---- mutations ----

// Names after which a size, count or rate field follows in the formats made here.
constexpr std::array<std::string_view, 16> kFieldMarkers = {
    "RIFF", "fmt ", "data", "LIST", "FORM", "COMM", "SSND", "ID3",
    "OggS", "fLaC", "VAGp", "Xing", "Info", "IMPM", "SCRM", "PK\x03\x04"};
constexpr std::array<uint32_t, 6> kHugeValues = {0xFFFFFFFFu, 0x7FFFFFFFu, 0x80000000u,
                                                 0xFFFFFFF0u, 0x00FFFFFFu, 0u};

class Mutator {
public:
    explicit Mutator(std::mt19937_64& rng) : rng_(rng) {}

    // Applies one or two mutations; returns what was done.
    std::string mutate(Bytes& bytes) {
        std::string done = mutateOnce(bytes);
        if (pick(4) == 0) {
            done += " + " + mutateOnce(bytes);
        }
        return done;
    }

private:
    size_t pick(size_t n) {
        return n == 0 ? 0 : std::uniform_int_distribution<size_t>(0, n - 1)(rng_);
    }
    uint8_t randomByte() { return static_cast<uint8_t>(pick(256)); }

    // Headers sit at the front; half the mutations aim there.
    size_t offsetIn(const Bytes& bytes) {
        const size_t span = pick(2) == 0 ? std::min<size_t>(bytes.size(), 512) : bytes.size();
        return pick(span);
    }

    std::string mutateOnce(Bytes& bytes) {
        if (bytes.empty()) {
            bytes.push_back(randomByte());
            return "one byte";
        }
        switch (pick(5)) {
        case 0: {
            const size_t flips = 1 + pick(16);
            for (size_t i = 0; i < flips; ++i) {
                bytes[offsetIn(bytes)] ^= static_cast<uint8_t>(1u << pick(8));
            }
            return std::to_string(flips) + " bit flips";
        }
        case 1: {
            const size_t at = offsetIn(bytes);
            const size_t length = std::min(bytes.size() - at, 1 + pick(64));
            const size_t fill = pick(3);
            for (size_t i = 0; i < length; ++i) {
                bytes[at + i] = fill == 0 ? 0x00 : fill == 1 ? 0xFF : randomByte();
            }
            return "run @" + std::to_string(at) + "+" + std::to_string(length) +
                   (fill == 0   ? " zeroed"
                    : fill == 1 ? " set to FF"
                                : " randomised");
        }
        case 2: {
            const size_t keep = pick(bytes.size());
            bytes.resize(keep);
            return "truncated to " + std::to_string(keep);
        }
        case 3:
            return hugeField(bytes);
        default: {
            const size_t from = pick(bytes.size());
            const size_t length = std::min(bytes.size() - from, 1 + pick(4096));
            const size_t to = pick(bytes.size() + 1);
            const Bytes block(bytes.begin() + static_cast<long>(from),
                              bytes.begin() + static_cast<long>(from + length));
            bytes.insert(bytes.begin() + static_cast<long>(to), block.begin(), block.end());
            return "block @" + std::to_string(from) + "+" + std::to_string(length) +
                   " duplicated to @" + std::to_string(to);
        }
        }
    }

    // A 32-bit field after a known marker (or anywhere in the header) set to an extreme value.
    std::string hugeField(Bytes& bytes) {
        std::vector<size_t> fields;
        for (std::string_view marker : kFieldMarkers) {
            for (auto it = bytes.begin();
                 (it = std::search(it, bytes.end(), marker.begin(), marker.end())) != bytes.end();
                 ++it) {
                const size_t after = static_cast<size_t>(it - bytes.begin()) + marker.size();
                for (size_t k = 0; k < 4; ++k) {
                    fields.push_back(after + 4 * k);
                }
            }
        }
        size_t at = fields.empty() || pick(4) == 0
                        ? pick(std::min<size_t>(bytes.size(), 256)) & ~size_t{3}
                        : fields[pick(fields.size())];
        at = std::min(at, bytes.size() >= 4 ? bytes.size() - 4 : 0);
        const uint32_t value = kHugeValues[pick(kHugeValues.size())];
        const bool bigEndian = pick(2) == 0;
        for (size_t i = 0; i < 4 && at + i < bytes.size(); ++i) {
            const size_t shift = bigEndian ? 8 * (3 - i) : 8 * i;
            bytes[at + i] = static_cast<uint8_t>(value >> shift);
        }
        char text[64];
        std::snprintf(text, sizeof text, "field @%zu = %08X %s", at, value,
                      bigEndian ? "BE" : "LE");
        return text;
    }

    std::mt19937_64& rng_;
};

// ---- the formats ----

struct BaseFormat {
    std::string name; // also the extension of the mutants
    std::function<fs::path()> make;
};

std::ostream& operator<<(std::ostream& out, const BaseFormat& format) {
    return out << format.name;
}

std::vector<BaseFormat> baseFormats() {
    const auto tone = [](std::string ext) {
        return [ext] { return testmedia::makeTone("mutbase." + ext, 1000, 0.4); };
    };
    const auto module = [](auto* make, std::string ext) {
        return [make, ext] { return make("mutbase." + ext, 1.0); };
    };
    std::vector<BaseFormat> formats;
    for (const char* ext : {"mp3", "mp2", "wav", "aiff", "ogg", "flac", "wma", "raw"}) {
        formats.push_back({ext, tone(ext)});
    }
    formats.push_back({"vag", [] { return testmedia::makeVag("mutbase.vag", 1000, 0.4); }});
    formats.push_back({"mod", module(&testmedia::makeMod, "mod")});
    formats.push_back({"xm", module(&testmedia::makeXm, "xm")});
    formats.push_back({"s3m", module(&testmedia::makeS3m, "s3m")});
    formats.push_back({"it", module(&testmedia::makeIt, "it")});
    formats.push_back({"zip", [] {
                           return testmedia::makeZip(
                               "mutbase.zip", {testmedia::makeTone("mutmember.wav", 1000, 0.3)});
                       }});
    return formats;
}

// How the player opens files: samples, streams, trackers, open-only streams.
struct OpenWay {
    bool stream;
    FMOD_MODE mode;
};
constexpr std::array<OpenWay, 4> kOpenWays = {OpenWay{false, 0x48}, OpenWay{true, 0x48},
                                              OpenWay{true, 0x4049}, OpenWay{false, 0x20C8}};

// ---- one mutant ----

class MutationSystem {
public:
    MutationSystem() {
        EXPECT_EQ(FMOD_System_Create(&system), FMOD_OK);
        EXPECT_EQ(FMOD_System_SetOutput(system, FMOD_OUTPUTTYPE_NOSOUND_NRT), FMOD_OK);
        EXPECT_EQ(FMOD_System_SetSoftwareFormat(system, kOutputRate, FMOD_SOUND_FORMAT_PCM16, 0, 6,
                                                FMOD_DSP_RESAMPLER_LINEAR),
                  FMOD_OK);
        EXPECT_EQ(FMOD_System_Init(system, 16, FMOD_INIT_NORMAL, nullptr), FMOD_OK);
    }
    ~MutationSystem() {
        FMOD_System_Close(system);
        FMOD_System_Release(system);
    }
    MutationSystem(const MutationSystem&) = delete;
    MutationSystem& operator=(const MutationSystem&) = delete;

    FMOD_SYSTEM system = 0;
};

bool isPlaying(FMOD_CHANNEL channel) {
    FMOD_BOOL playing = 0;
    return FMOD_Channel_IsPlaying(channel, &playing) == FMOD_OK && playing != 0;
}

// Every tag is text with its terminating zero counted, under a name.
void checkTags(FMOD_SOUND sound) {
    int count = 0;
    int updated = 0;
    if (FMOD_Sound_GetNumTags(sound, &count, &updated) != FMOD_OK) {
        return;
    }
    EXPECT_GE(count, 0);
    EXPECT_LE(updated, count);
    for (int i = 0; i < count; ++i) {
        FMOD_TAG tag{};
        ASSERT_EQ(FMOD_Sound_GetTag(sound, nullptr, i, &tag), FMOD_OK) << "tag " << i;
        ASSERT_NE(tag.name, nullptr);
        ASSERT_NE(tag.data, nullptr);
        ASSERT_GE(tag.datalen, 1u);
        EXPECT_EQ(static_cast<const char*>(tag.data)[tag.datalen - 1], '\0');
        EXPECT_GT(std::strlen(tag.name), 0u);
    }
    FMOD_TAG tag{};
    FMOD_Sound_GetTag(sound, "TITLE", 0, &tag);
    for (int i = 0; i <= count && FMOD_Sound_GetTag(sound, nullptr, -1, &tag) == FMOD_OK; ++i) {
    }
}

void randomSeek(FMOD_CHANNEL channel, unsigned int lengthMs, unsigned int lengthPcm,
                std::mt19937_64& rng) {
    auto upTo = [&](uint64_t limit) {
        return static_cast<unsigned int>(std::uniform_int_distribution<uint64_t>(
            0, std::min<uint64_t>(limit, 0xFFFFFFFFu))(rng));
    };
    switch (rng() % 4) {
    case 0:
        FMOD_Channel_SetPosition(channel, upTo(uint64_t{lengthMs} * 5 / 4 + 100), FMOD_TIMEUNIT_MS);
        break;
    case 1:
        FMOD_Channel_SetPosition(channel, upTo(uint64_t{lengthPcm} * 5 / 4 + 4410),
                                 FMOD_TIMEUNIT_PCM);
        break;
    case 2:
        FMOD_Channel_SetPosition(channel, upTo(uint64_t{lengthPcm} * 4), FMOD_TIMEUNIT_PCMBYTES);
        break;
    default:
        FMOD_Channel_SetPosition(channel, 0xFFFFFFFFu, FMOD_TIMEUNIT_MS);
        break;
    }
}

// Queries, plays at natural speed with seeks and pauses, then fast to the end under a cap.
void exercise(FMOD_SYSTEM system, FMOD_SOUND sound, uint64_t fileBytes, std::mt19937_64& rng) {
    unsigned int lengthPcm = 0;
    unsigned int lengthMs = 0;
    const bool hasLength = FMOD_Sound_GetLength(sound, &lengthPcm, FMOD_TIMEUNIT_PCM) == FMOD_OK;
    FMOD_Sound_GetLength(sound, &lengthMs, FMOD_TIMEUNIT_MS);
    unsigned int ignored = 0;
    FMOD_Sound_GetLength(sound, &ignored, FMOD_TIMEUNIT_PCMBYTES);
    FMOD_SOUND_TYPE type = 0;
    FMOD_SOUND_FORMAT format = 0;
    int channels = 0;
    int bits = 0;
    if (FMOD_Sound_GetFormat(sound, &type, &format, &channels, &bits) == FMOD_OK) {
        EXPECT_GE(channels, 1);
    }
    float rate = 0;
    if (FMOD_Sound_GetDefaults(sound, &rate, nullptr, nullptr, nullptr) == FMOD_OK) {
        EXPECT_GT(rate, 0.0f);
    }
    FMOD_OPENSTATE openState = 0;
    FMOD_Sound_GetOpenState(sound, &openState, nullptr, nullptr);
    int parts = 0;
    FMOD_Sound_GetNumSubSounds(sound, &parts);
    checkTags(sound);

    FMOD_CHANNEL channel = 0;
    if (FMOD_System_PlaySound(system, FMOD_CHANNEL_FREE, sound, 0, &channel) != FMOD_OK) {
        return;
    }
    for (int block = 0; block < kNaturalBlocks && isPlaying(channel); ++block) {
        switch (rng() % 8) {
        case 0:
            randomSeek(channel, lengthMs, lengthPcm, rng);
            break;
        case 1:
            FMOD_Channel_SetPaused(channel, block % 2 == 0);
            break;
        default:
            break;
        }
        unsigned int position = 0;
        FMOD_Channel_GetPosition(channel, &position, FMOD_TIMEUNIT_MS);
        ASSERT_EQ(FMOD_System_Update(system), FMOD_OK);
    }

    // The rest as fast as the mixer goes. A source is done when it ends; one that plays on past
    // its own length, or past what its bytes could hold when it has none, hangs the player.
    const bool knownLength = hasLength && lengthPcm > 0 && lengthPcm != 0xFFFFFFFFu;
    const uint64_t plausible =
        (knownLength ? uint64_t{lengthPcm} : fileBytes * kPlausibleFramesPerByte) + 2 * 65536;
    const uint64_t framesPerBlock = kFastStep * kBlockFrames;
    const uint64_t cap = std::min(kMaxFastBlocks, plausible / framesPerBlock + 64);
    FMOD_Channel_SetPaused(channel, 0);
    FMOD_Channel_SetFrequency(channel, static_cast<float>(kFastStep * kOutputRate));
    for (uint64_t block = 0; block < cap && isPlaying(channel); ++block) {
        if (block < 4 && rng() % 4 == 0) {
            randomSeek(channel, lengthMs, lengthPcm, rng);
        }
        ASSERT_EQ(FMOD_System_Update(system), FMOD_OK);
    }
    if (isPlaying(channel)) {
        unsigned int position = 0;
        ASSERT_EQ(FMOD_Channel_GetPosition(channel, &position, FMOD_TIMEUNIT_PCM), FMOD_OK);
        EXPECT_LT(position, plausible)
            << "still playing after " << cap << " fast updates, past the plausible length ("
            << (knownLength ? "its own length " + std::to_string(lengthPcm)
                            : std::to_string(fileBytes) + " bytes")
            << ")";
        FMOD_Channel_Stop(channel);
    }
}

class MediaMutation : public ::testing::TestWithParam<BaseFormat> {};

TEST_P(MediaMutation, DamagedFilesOpenPlaySeekAndReleaseWithoutCrashHangOrLeak) {
    const BaseFormat& base = GetParam();
    const fs::path original = base.make();
    ASSERT_FALSE(original.empty()) << "could not make the " << base.name << " file";
    const Bytes pristine = readFile(original);
    ASSERT_FALSE(pristine.empty());
    // The zip's member, for mutants that damage the audio inside an intact archive.
    const Bytes member =
        base.name == "zip" ? readFile(testmedia::mediaDir() / "mutmember.wav") : Bytes{};

    // Each format draws its own sequence, so filtering formats changes no mutant.
    const uint64_t seed = runSeed() ^ std::hash<std::string>{}(base.name);
    std::mt19937_64 rng(seed);
    Mutator mutator(rng);

    MutationSystem sound;
    const size_t descriptorsBefore = countEntries("/proc/self/fd");
    const size_t threadsBefore = countEntries("/proc/self/task");

    for (int n = 0, count = mutantsPerFormat(); n < count; ++n) {
        const OpenWay way = kOpenWays[static_cast<size_t>(n) % kOpenWays.size()];
        const fs::path path =
            testmedia::mediaDir() / ("mutant" + std::to_string(n) + "." + base.name);
        std::string what;
        if (!member.empty() && n % 2 == 1) {
            Bytes inner = member;
            what = "member: " + mutator.mutate(inner);
            const fs::path innerPath = testmedia::mediaDir() / "mutinner.wav";
            writeFile(innerPath, inner);
            testmedia::makeZip(path.filename().string(), {innerPath});
        } else {
            Bytes bytes = pristine;
            what = mutator.mutate(bytes);
            writeFile(path, bytes);
        }
        const std::string label = base.name + " seed " + std::to_string(runSeed()) + " mutant " +
                                  std::to_string(n) + " (" + what + "), " +
                                  (way.stream ? "stream" : "sound") + " mode " +
                                  std::to_string(way.mode);
        SCOPED_TRACE(label);
        if (verbose()) {
            std::cerr << label << std::endl;
        }

        FMOD_CREATESOUNDEXINFO info{};
        info.cbsize = 108;
        FMOD_SOUND handle = 0;
        const FMOD_RESULT opened =
            way.stream
                ? FMOD_System_CreateStream(sound.system, path.c_str(), way.mode, &info, &handle)
                : FMOD_System_CreateSound(sound.system, path.c_str(), way.mode, &info, &handle);
        if (verbose()) {
            std::cerr << "  opened: " << opened << std::endl;
        }
        if (opened != FMOD_OK) {
            EXPECT_EQ(handle, 0u);
            EXPECT_NE(FMOD_ErrorString(opened), nullptr);
            continue;
        }
        ASSERT_NE(handle, 0u);
        exercise(sound.system, handle, readFile(path).size(), rng);
        FMOD_CHANNEL last = 0;
        FMOD_System_PlaySound(sound.system, FMOD_CHANNEL_FREE, handle, 1, &last);
        EXPECT_EQ(FMOD_Sound_Release(handle), FMOD_OK);
        EXPECT_EQ(FMOD_Sound_Release(handle), FMOD_ERR_INVALID_HANDLE);
        FMOD_BOOL playing = 0;
        EXPECT_EQ(FMOD_Channel_IsPlaying(last, &playing), FMOD_ERR_INVALID_HANDLE);
        ASSERT_EQ(FMOD_System_Update(sound.system), FMOD_OK);
        int channels = -1;
        EXPECT_EQ(FMOD_System_GetChannelsPlaying(sound.system, &channels), FMOD_OK);
        EXPECT_EQ(channels, 0);
        if (HasFatalFailure()) {
            return;
        }
    }
    // Released sounds leave once the mixer has let go of them.
    for (int i = 0; i < 4; ++i) {
        ASSERT_EQ(FMOD_System_Update(sound.system), FMOD_OK);
    }
    EXPECT_EQ(countEntries("/proc/self/fd"), descriptorsBefore) << "file descriptors left open";
    EXPECT_EQ(countEntries("/proc/self/task"), threadsBefore) << "threads left running";
}

size_t residentBytes() {
    std::ifstream statm("/proc/self/statm");
    size_t total = 0;
    size_t resident = 0;
    statm >> total >> resident;
    return resident * static_cast<size_t>(::sysconf(_SC_PAGESIZE));
}

// Found by the VAG mutants (seed 1, mutant 157): a stream's decode buffer was sized from the
// header's rate, so a few kilobytes claiming 2 GHz took 16 GiB.
TEST(MediaMutation, AHeaderRateFarBeyondAudioSizesNoBufferByIt) {
    struct RateField {
        fs::path file;
        size_t offset;
        bool bigEndian;
    };
    const RateField fields[] = {
        {testmedia::makeVag("hugerate.vag", 1000, 0.2), 16, true},
        {testmedia::makeTone("hugerate.wav", 1000, 0.2, 44100, 1), 24, false},
    };
    constexpr uint32_t kClaimedRate = 200'000'000;
    MutationSystem sound;
    for (const RateField& field : fields) {
        SCOPED_TRACE(field.file.string());
        Bytes bytes = readFile(field.file);
        ASSERT_GE(bytes.size(), field.offset + 4);
        for (size_t i = 0; i < 4; ++i) {
            const size_t shift = field.bigEndian ? 8 * (3 - i) : 8 * i;
            bytes[field.offset + i] = static_cast<uint8_t>(kClaimedRate >> shift);
        }
        writeFile(field.file, bytes);
        const size_t before = residentBytes();
        FMOD_CREATESOUNDEXINFO info{};
        info.cbsize = 108;
        FMOD_SOUND handle = 0;
        if (FMOD_System_CreateStream(sound.system, field.file.c_str(), 0x48, &info, &handle) !=
            FMOD_OK) {
            continue; // turning it away is as good
        }
        EXPECT_LT(residentBytes(), before + (size_t{64} << 20));
        std::mt19937_64 rng(1);
        exercise(sound.system, handle, bytes.size(), rng);
        EXPECT_EQ(FMOD_Sound_Release(handle), FMOD_OK);
    }
}

INSTANTIATE_TEST_SUITE_P(EveryFormat, MediaMutation, ::testing::ValuesIn(baseFormats()),
                         [](const ::testing::TestParamInfo<BaseFormat>& info) {
                             return info.param.name;
                         });

} // namespace
