// Facts about an MP3 file's MPEG audio stream, read from its first frame header and an optional
// Xing, Info or VBRI header, plus which ID3 tags it carries. Read straight from the file; the
// sound library is not involved.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

namespace sorvel {

struct Mp3Info {
    std::string versionText; // "version 1 layer 3", "version 2.5 layer 2", ...
    bool usesChecksums = false;
    std::int32_t bitrateKbps = 0;
    std::int32_t frequencyHz = 0;
    bool variableBitrate = false; // a Xing, Info or VBRI header gave frame and byte counts
    std::string channelModeText;  // "Stereo", "Joint stereo", "Dual channel" or "Mono"
    bool copyrighted = false;
    bool original = false;
    bool emphasis = false;
    std::int32_t lengthSeconds = 0;
    std::int32_t id3v1Version = -1; // -1 none, 0 for ID3v1.0, 1 for ID3v1.1
    std::int32_t id3v2Version = -1; // -1 none, else the major version (3 for ID3v2.3)
    std::int32_t fileSize = 0;      // bytes; files of 2 GiB and more show the largest value
};

// Fills info from the file at path (it is reset first). True when an MPEG frame header was
// found and decoded. The ID3 versions and the file size are filled whenever the file opens and
// has at least 4 bytes, even when no frame was found. The first byte pair that looks like a
// frame sync (0xFF, then three set bits) after any ID3v2 tag is taken as the frame.
bool ReadMp3Info(const std::filesystem::path& path, Mp3Info& info);

// The arithmetic behind ReadMp3Info.

enum class MpegVersion { Mpeg1, Mpeg2, Mpeg25 };

// kbit/s for a bit-rate index; 0 for the free format (0), the bad index 15 or a bad layer.
std::int32_t MpegBitrateKbps(MpegVersion version, int layer, int bitrateIndex);
// Hz for a sampling-rate index; 0 for the reserved index 3.
std::int32_t MpegFrequencyHz(MpegVersion version, int rateIndex);
// Average bit rate from a Xing/Info/VBRI header's counts, rounded half to even; 0 when a count
// or the frequency is 0.
std::int32_t VbrBitrateKbps(std::uint32_t streamBytes, std::uint32_t frames, int samplesPerFrame,
                            std::int32_t frequencyHz);
// Playing time from the frame count, rounded half to even; 0 when the frequency is 0.
std::int32_t VbrLengthSeconds(std::uint32_t frames, int samplesPerFrame, std::int32_t frequencyHz);
// Playing time of a constant-rate stream of audioBytes, rounded half to even; 0 at 0 kbit/s.
std::int32_t CbrLengthSeconds(std::uint64_t audioBytes, std::int32_t bitrateKbps);

} // namespace sorvel
