#include "CdDisc.h"

#include "CdTrackDecoder.h"
#include "decoder_support.h"
#include "text_encoding.h"

#include <cdio/cdio.h>
#include <cdio/cdtext.h>
#include <cdio/iso9660.h>
#include <memory>

namespace soundlib {
namespace {

struct CdioDeleter {
    void operator()(CdIo_t* cdio) const { cdio_destroy(cdio); }
};
struct IsoDeleter {
    void operator()(iso9660_t* iso) const { iso9660_close(iso); }
};

DecoderOpenResult failed(FMOD_RESULT result) {
    DecoderOpenResult opened;
    opened.result = result;
    return opened;
}

// An ISO 9660 image holds a data disc: a disc, but no audio on it.
bool isIsoImage(const std::string& path) {
    const std::unique_ptr<iso9660_t, IsoDeleter> iso(iso9660_open(path.c_str()));
    iso9660_pvd_t pvd{};
    return iso && iso9660_ifs_read_pvd(iso.get(), &pvd);
}

// CD-Text as the tags of one track. Images written on Japanese systems carry CP932.
std::vector<DecodedTag> cdTextTags(const cdtext_t* text, track_t track) {
    std::vector<DecodedTag> tags;
    if (text == nullptr) {
        return tags;
    }
    const std::pair<cdtext_field_t, const char*> fields[] = {{CDTEXT_FIELD_TITLE, "TITLE"},
                                                             {CDTEXT_FIELD_PERFORMER, "ARTIST"}};
    for (const auto& [field, name] : fields) {
        const char* value = cdtext_get_const(text, field, track);
        if (value != nullptr && *value != '\0') {
            const std::string raw(value);
            tags.push_back({FMOD_TAGTYPE_UNKNOWN, name, sorvel::text::utf8OrCp932(raw)});
        }
    }
    // The album title is the disc's.
    if (const char* album = cdtext_get_const(text, CDTEXT_FIELD_TITLE, 0);
        album != nullptr && *album != '\0') {
        const std::string raw(album);
        tags.push_back({FMOD_TAGTYPE_UNKNOWN, "ALBUM", sorvel::text::utf8OrCp932(raw)});
    }
    return tags;
}

} // namespace

DecoderOpenResult CdDisc::open(const std::string& name) {
    quietCdio();
    const std::vector<CdDrive> drives = listCdDrives();
    if (drives.empty()) {
        return failed(FMOD_ERR_CDDA_NODEVICES);
    }
    const CdDrive* drive = findCdDrive(drives, name);
    if (drive == nullptr) {
        return failed(FMOD_ERR_CDDA_INVALID_DEVICE);
    }
    if (drive->image && lowerExtension(drive->device) == "iso") {
        return failed(isIsoImage(drive->device) ? FMOD_ERR_CDDA_NOAUDIO : FMOD_ERR_CDDA_NODISC);
    }
    const std::unique_ptr<CdIo_t, CdioDeleter> cdio(
        cdio_open(drive->device.c_str(), drive->image ? DRIVER_UNKNOWN : DRIVER_DEVICE));
    if (!cdio) {
        return failed(FMOD_ERR_CDDA_NODISC);
    }
    const track_t first = cdio_get_first_track_num(cdio.get());
    const track_t count = cdio_get_num_tracks(cdio.get());
    if (first == CDIO_INVALID_TRACK || count == CDIO_INVALID_TRACK || count == 0) {
        return failed(FMOD_ERR_CDDA_NODISC);
    }
    std::vector<TocTrack> toc;
    for (int number = first; number < first + count; ++number) {
        const auto track = static_cast<track_t>(number);
        const lsn_t start = cdio_get_track_lsn(cdio.get(), track);
        if (start == CDIO_INVALID_LSN) {
            return failed(FMOD_ERR_CDDA_NODISC);
        }
        toc.push_back(
            {number, start, cdio_get_track_format(cdio.get(), track) == TRACK_FORMAT_AUDIO});
    }
    const lsn_t leadout = cdio_get_track_lsn(cdio.get(), CDIO_CDROM_LEADOUT_TRACK);
    if (leadout == CDIO_INVALID_LSN) {
        return failed(FMOD_ERR_CDDA_NODISC);
    }
    const std::vector<CdTrackSpan> spans = audioTrackSpans(toc, leadout);
    if (spans.empty()) {
        return failed(FMOD_ERR_CDDA_NOAUDIO);
    }

    auto disc = std::make_unique<CdDisc>(Key{}, *drive);
    const cdtext_t* text = cdio_get_cdtext(cdio.get());
    for (const CdTrackSpan& span : spans) {
        disc->tracks_.push_back({span, cdTextTags(text, static_cast<track_t>(span.number))});
    }
    DecoderOpenResult opened;
    opened.container = std::move(disc);
    return opened;
}

uint64_t CdDisc::lengthFrames() const {
    uint64_t frames = 0;
    for (const Track& track : tracks_) {
        frames += uint64_t{track.span.sectors} * kCdFramesPerSector;
    }
    return frames;
}

DecoderOpenResult CdDisc::openPart(int index) {
    const Track& track = tracks_.at(static_cast<size_t>(index));
    return CdTrackDecoder::open(drive_, track.span, track.tags);
}

} // namespace soundlib
