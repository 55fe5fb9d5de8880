// The disc in a CD drive (or a disc image) as a source of parts: its audio tracks.
#pragma once

#include "cd_drives.h"
#include "cd_toc.h"
#include "decoder.h"

#include <string>
#include <vector>

namespace soundlib {

class CdDisc final : public SubSoundSource {
public:
    // Reads the table of contents of the drive called `name`. The result holds a container.
    // Results: 7 no drives, 5 no such drive, 8 no disc or an unreadable image, 6 no audio.
    static DecoderOpenResult open(const std::string& name);

    struct Key {}; // construction goes through open()
    CdDisc(Key, CdDrive drive) : drive_(std::move(drive)) {}

    int count() const override { return static_cast<int>(tracks_.size()); }
    uint64_t lengthFrames() const override;
    int sampleRate() const override { return kCdSampleRate; }
    FMOD_SOUND_TYPE type() const override { return FMOD_SOUND_TYPE_CDDA; }
    DecoderOpenResult openPart(int index) override;

private:
    struct Track {
        CdTrackSpan span;
        std::vector<DecodedTag> tags; // from CD-Text
    };

    CdDrive drive_;
    std::vector<Track> tracks_;
};

} // namespace soundlib
