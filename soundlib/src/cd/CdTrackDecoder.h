// One audio track of a CD (or disc image), read through libcdio-paranoia: 44100 Hz 16-bit
// stereo with its exact length and sample-accurate seeking. A read the drive cannot complete
// ends the track.
#pragma once

#include "cd_drives.h"
#include "cd_toc.h"
#include "decoder.h"

#include <array>
#include <atomic>
#include <cdio/cdio.h>
#include <cdio/paranoia/cdda.h>
#include <cdio/paranoia/paranoia.h>
#include <memory>

namespace soundlib {

class CdTrackDecoder final : public Decoder {
public:
    // Opens the drive afresh for this track. Results: 8 when the disc cannot be read.
    static DecoderOpenResult open(const CdDrive& drive, const CdTrackSpan& track,
                                  std::vector<DecodedTag> tags);

    struct Key {}; // construction goes through open()
    CdTrackDecoder(Key, const CdTrackSpan& track, std::vector<DecodedTag> tags);
    CdTrackDecoder(const CdTrackDecoder&) = delete;
    CdTrackDecoder& operator=(const CdTrackDecoder&) = delete;

    int sampleRate() const override { return kCdSampleRate; }
    int channels() const override { return 2; }
    uint64_t lengthFrames() const override { return length_; }
    FMOD_SOUND_TYPE type() const override { return FMOD_SOUND_TYPE_CDDA; }
    FMOD_SOUND_FORMAT sourceFormat() const override { return FMOD_SOUND_FORMAT_PCM16; }
    int sourceBits() const override { return 16; }
    int sourceChannels() const override { return 2; }
    size_t read(float* out, size_t frames) override;
    bool seek(uint64_t frame) override;
    const std::vector<DecodedTag>& tags() const override { return tags_; }
    bool streamsOnly() const override { return true; }
    // A drive may take seconds to spin up.
    std::chrono::milliseconds blockingReadWait() const override {
        return std::chrono::milliseconds(2000);
    }
    void interrupt() override { interrupted_.store(true, std::memory_order_release); }

private:
    struct CdioDeleter {
        void operator()(CdIo_t* cdio) const { cdio_destroy(cdio); }
    };
    struct DriveDeleter {
        // The CdIo handle is ours and goes separately, after this.
        void operator()(cdrom_drive_t* drive) const { cdio_cddap_close_no_free_cdio(drive); }
    };
    struct ParanoiaDeleter {
        void operator()(cdrom_paranoia_t* paranoia) const { cdio_paranoia_free(paranoia); }
    };

    bool readSector();

    CdTrackSpan track_;
    uint64_t length_;
    std::vector<DecodedTag> tags_;
    // Declared in the order they are made, so they go in reverse.
    std::unique_ptr<CdIo_t, CdioDeleter> cdio_;
    std::unique_ptr<cdrom_drive_t, DriveDeleter> drive_;
    std::unique_ptr<cdrom_paranoia_t, ParanoiaDeleter> paranoia_;

    std::array<int16_t, kCdFramesPerSector * 2> sector_{};
    size_t sectorOffset_ = kCdFramesPerSector; // frames of sector_ already delivered
    size_t skip_ = 0;                          // frames to drop from the next sector (a seek)
    uint64_t position_ = 0;
    bool failed_ = false;
    std::atomic<bool> interrupted_{false};
};

} // namespace soundlib
