#include "Mp3Info.h"
#include "mdlID3.h"
#include "tag_test_files.h"

#include <gtest/gtest.h>

namespace {

using namespace sorvel;
using tagtest::append;
using tagtest::bigEndian;
using tagtest::Bytes;
using tagtest::bytesOf;
namespace fs = std::filesystem;
using namespace std::literals;

// A frame header, then zeros up to `size` bytes, with `extra` placed at `extraAt` from the frame.
fs::path frameFile(const std::string& name, const Bytes& header, std::size_t size,
                   std::size_t extraAt = 0, const Bytes& extra = {}) {
    Bytes bytes = header;
    bytes.resize(size, 0);
    std::copy(extra.begin(), extra.end(), bytes.begin() + static_cast<std::ptrdiff_t>(extraAt));
    return tagtest::writeFile(name, bytes);
}

Bytes xingHeader(std::uint8_t flags, std::uint32_t frames, std::uint32_t streamBytes) {
    Bytes xing = bytesOf("Xing");
    append(xing, {0, 0, 0, flags});
    append(xing, bigEndian(frames));
    append(xing, bigEndian(streamBytes));
    return xing;
}

// The row and divisor choices; the encoded files below cover the common cells.
TEST(Mp3Formulas, BitrateRowAndFrequencyDivisorFollowVersionAndLayer) {
    EXPECT_EQ(MpegBitrateKbps(MpegVersion::Mpeg1, 1, 14), 448);
    EXPECT_EQ(MpegBitrateKbps(MpegVersion::Mpeg1, 2, 14), 384);
    EXPECT_EQ(MpegBitrateKbps(MpegVersion::Mpeg2, 1, 14), 256);
    EXPECT_EQ(MpegBitrateKbps(MpegVersion::Mpeg25, 2, 14), 160);
    EXPECT_EQ(MpegBitrateKbps(MpegVersion::Mpeg1, 3, 15), 0);
    EXPECT_EQ(MpegFrequencyHz(MpegVersion::Mpeg25, 1), 12000);
    EXPECT_EQ(MpegFrequencyHz(MpegVersion::Mpeg1, 3), 0);
}

TEST(Mp3Formulas, RatesAndLengthsRoundHalfToEvenAndNeverDivideByZero) {
    EXPECT_EQ(VbrBitrateKbps(4'100'000, 10'000, 1152, 44100), 126); // 125.56
    EXPECT_EQ(VbrLengthSeconds(10'000, 1152, 44100), 261);          // 261.2
    EXPECT_EQ(CbrLengthSeconds(3'998'966, 128), 250);               // 249.9
    EXPECT_EQ(CbrLengthSeconds(40'000, 128), 2);                    // 2.5
    EXPECT_EQ(CbrLengthSeconds(56'000, 128), 4);                    // 3.5
    EXPECT_EQ(CbrLengthSeconds(1'000'000, 0), 0);
    EXPECT_EQ(VbrLengthSeconds(10'000, 1152, 0), 0);
    EXPECT_EQ(VbrBitrateKbps(4'100'000, 10'000, 1152, 0), 0);
    EXPECT_EQ(VbrBitrateKbps(0xFFFFFFFF, 1, 384, 48000), INT32_MAX);
}

TEST(ReadMp3Info, ConstantRateStreamAfterAnId3v2Tag) {
    // ID3v2.3 with size field 1024, the frame right after it; 4 000 000 bytes in all.
    Bytes bytes = bytesOf("ID3\x03\x00\x00"sv);
    append(bytes, {0, 0, 8, 0});
    bytes.resize(1034, 0);
    append(bytes, {0xFF, 0xFB, 0x90, 0x44});
    const auto path = tagtest::writeFile("cbr_4mb.mp3", bytes);
    fs::resize_file(path, 4'000'000);

    Mp3Info info;
    ASSERT_TRUE(ReadMp3Info(path, info));
    EXPECT_EQ(info.versionText, "version 1 layer 3");
    EXPECT_FALSE(info.usesChecksums);
    EXPECT_EQ(info.bitrateKbps, 128);
    EXPECT_FALSE(info.variableBitrate);
    EXPECT_EQ(info.frequencyHz, 44100);
    EXPECT_EQ(info.channelModeText, "Joint stereo");
    EXPECT_FALSE(info.copyrighted);
    EXPECT_TRUE(info.original);
    EXPECT_FALSE(info.emphasis);
    EXPECT_EQ(info.lengthSeconds, 250);
    EXPECT_EQ(info.id3v1Version, -1);
    EXPECT_EQ(info.id3v2Version, 3);
    EXPECT_EQ(info.fileSize, 4'000'000);
}

TEST(ReadMp3Info, XingCountsGiveAVariableRateOnlyWithBothCounts) {
    const Bytes stereoHeader{0xFF, 0xFA, 0x90, 0x0B}; // with CRC, copyright, emphasis
    const auto both =
        frameFile("xing.mp3", stereoHeader, 500, 4 + 32, xingHeader(0x03, 10'000, 4'100'000));
    Mp3Info info;
    ASSERT_TRUE(ReadMp3Info(both, info));
    EXPECT_TRUE(info.variableBitrate);
    EXPECT_EQ(info.bitrateKbps, 126);
    EXPECT_EQ(info.lengthSeconds, 261);
    EXPECT_EQ(info.channelModeText, "Stereo");
    EXPECT_TRUE(info.usesChecksums);
    EXPECT_TRUE(info.copyrighted);
    EXPECT_TRUE(info.emphasis);

    const auto bytesOnly = frameFile("xing_bytes_only.mp3", stereoHeader, 500, 4 + 32,
                                     xingHeader(0x02, 10'000, 4'100'000));
    ASSERT_TRUE(ReadMp3Info(bytesOnly, info));
    EXPECT_FALSE(info.variableBitrate);
    EXPECT_EQ(info.bitrateKbps, 128);
}

TEST(ReadMp3Info, VbriHeaderWinsOverXing) {
    // MPEG-2 layer III mono at 22050 Hz: Xing after 9 bytes of side information, VBRI at 36.
    Bytes vbri = bytesOf("VBRI");
    vbri.resize(10, 0);
    append(vbri, bigEndian(2'050'000));
    append(vbri, bigEndian(5'000));
    Bytes bytes{0xFF, 0xF3, 0x80, 0xC0};
    bytes.resize(4 + 9, 0);
    append(bytes, xingHeader(0x03, 10'000, 4'100'000));
    bytes.resize(36, 0);
    append(bytes, vbri);
    bytes.resize(400, 0);
    Mp3Info info;
    ASSERT_TRUE(ReadMp3Info(tagtest::writeFile("vbri.mp3", bytes), info));
    EXPECT_EQ(info.versionText, "version 2 layer 3");
    EXPECT_EQ(info.channelModeText, "Mono");
    EXPECT_TRUE(info.variableBitrate);
    EXPECT_EQ(info.bitrateKbps, 126); // 2 050 000 / 5 000 / 576 / 125 * 22050
    EXPECT_EQ(info.lengthSeconds, 131);
}

TEST(ReadMp3Info, WithoutAUsableFrameStillReportsTagsAndSize) {
    Bytes bytes = bytesOf("ID3\x03\x00\x00"sv);
    append(bytes, {0, 0, 0, 0});
    bytes.resize(300, ' ');
    append(bytes, bytesOf("TAG"));
    bytes.resize(428, 'c'); // byte 125 of the tag is not 0: version 1.0
    Mp3Info info;
    EXPECT_FALSE(ReadMp3Info(tagtest::writeFile("noframe.mp3", bytes), info));
    EXPECT_EQ(info.versionText, "");
    EXPECT_EQ(info.bitrateKbps, 0);
    EXPECT_EQ(info.id3v1Version, 0);
    EXPECT_EQ(info.id3v2Version, 3);
    EXPECT_EQ(info.fileSize, 428);

    EXPECT_FALSE(ReadMp3Info(frameFile("reserved_version.mp3", {0xFF, 0xEB, 0x90, 0}, 100), info));
    EXPECT_EQ(info.fileSize, 100);
    EXPECT_FALSE(ReadMp3Info(frameFile("reserved_layer.mp3", {0xFF, 0xF9, 0x90, 0}, 100), info));
    EXPECT_FALSE(ReadMp3Info(tagtest::writeFile("three.mp3", {0xFF, 0xFB, 0x90}), info));
    EXPECT_EQ(info.fileSize, 0);
    EXPECT_FALSE(ReadMp3Info(tagtest::scratchDir() / "missing.mp3", info));
}

TEST(ReadMp3Info, DamagedId3v2SizeSkipsNothingAndCountsAsNoTag) {
    Bytes bytes = bytesOf("ID3\x03\x00\x00"sv);
    append(bytes, {0x80, 0, 0, 0});
    append(bytes, {0xFF, 0xFB, 0x90, 0x44});
    bytes.resize(16'010, 0);
    Mp3Info info;
    ASSERT_TRUE(ReadMp3Info(tagtest::writeFile("damaged_id3v2.mp3", bytes), info));
    EXPECT_EQ(info.id3v2Version, -1);
    EXPECT_EQ(info.lengthSeconds, 1);
}

struct EncodedCase {
    std::string options;
    std::string versionText;
    int frequencyHz;
    bool mono;
    bool variableBitrate;
    int id3v2Version;
};

// Ten seconds of tone encoded by ffmpeg: every rate family, both channel layouts (the Xing
// header's place depends on them), with and without Xing/Info and ID3v2 in front.
TEST(ReadMp3Info, FilesEncodedByFfmpeg) {
    const std::vector<EncodedCase> cases{
        {"-ac 2 -b:a 128k -write_xing 0 -id3v2_version 0", "version 1 layer 3", 44100, false, false,
         -1},
        {"-ac 2 -b:a 128k -id3v2_version 3 -metadata title=x", "version 1 layer 3", 44100, false,
         true, 3},
        {"-ac 2 -q:a 2", "version 1 layer 3", 44100, false, true, 4},
        {"-ac 1 -q:a 2", "version 1 layer 3", 44100, true, true, 4},
        {"-ar 22050 -ac 2 -q:a 2", "version 2 layer 3", 22050, false, true, 4},
        {"-ar 24000 -ac 1 -q:a 2", "version 2 layer 3", 24000, true, true, 4},
        {"-ar 16000 -ac 1 -b:a 32k -write_xing 0", "version 2 layer 3", 16000, true, false, 4},
        {"-ar 11025 -ac 2 -q:a 2", "version 2.5 layer 3", 11025, false, true, 4},
        {"-ar 12000 -ac 1 -q:a 2", "version 2.5 layer 3", 12000, true, true, 4},
        {"-ar 8000 -ac 1 -b:a 16k -write_xing 0", "version 2.5 layer 3", 8000, true, false, 4},
    };
    int index = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.options);
        const auto path =
            tagtest::makeMp3("encoded" + std::to_string(index++) + ".mp3", 10, c.options);
        ASSERT_FALSE(path.empty()) << "ffmpeg failed";
        Mp3Info info;
        ASSERT_TRUE(ReadMp3Info(path, info));
        EXPECT_EQ(info.versionText, c.versionText);
        EXPECT_EQ(info.frequencyHz, c.frequencyHz);
        EXPECT_EQ(info.channelModeText == "Mono", c.mono) << info.channelModeText;
        EXPECT_EQ(info.variableBitrate, c.variableBitrate);
        EXPECT_EQ(info.lengthSeconds, 10);
        EXPECT_EQ(info.id3v1Version, -1);
        EXPECT_EQ(info.id3v2Version, c.id3v2Version);
        EXPECT_EQ(info.fileSize, static_cast<std::int32_t>(fs::file_size(path)));
        // Either way the rate is the stream's bytes over its ten seconds.
        const RawFile file(path, RawFile::Access::Read);
        const double audioBytes = static_cast<double>(fs::file_size(path) - ID3v2Size(file, 0));
        EXPECT_NEAR(info.bitrateKbps, audioBytes / 10 / 125, 0.02 * info.bitrateKbps + 1);
    }
}

TEST(ReadMp3Info, WrittenId3v1TagIsReportedAndLeavesTheStreamFactsAlone) {
    const auto path = tagtest::makeMp3("tagged_later.mp3", 10, "-ac 2 -b:a 128k");
    ASSERT_FALSE(path.empty()) << "ffmpeg failed";
    Mp3Info before;
    ASSERT_TRUE(ReadMp3Info(path, before));
    ID3TagRecord record;
    record.title = "タイトル";
    record.track = "3";
    ASSERT_TRUE(WriteID3v1(path, record, false));
    Mp3Info after;
    ASSERT_TRUE(ReadMp3Info(path, after));
    EXPECT_EQ(after.id3v1Version, 1);
    EXPECT_EQ(after.fileSize, before.fileSize + 128);
    EXPECT_EQ(after.bitrateKbps, before.bitrateKbps);
    EXPECT_EQ(after.lengthSeconds, before.lengthSeconds);
}

} // namespace
