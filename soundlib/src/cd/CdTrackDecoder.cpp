#include "CdTrackDecoder.h"

#include <algorithm>

namespace soundlib {
namespace {

// Paranoia retries a bad sector this often before giving up on it.
constexpr int kReadRetries = 3;

// Paranoia's callback carries no context; each stream thread counts its own read errors.
thread_local long readErrors = 0;

void countReadErrors(long, paranoia_cb_mode_t mode) {
    if (mode == PARANOIA_CB_READERR) {
        ++readErrors;
    }
}

} // namespace

CdTrackDecoder::CdTrackDecoder(Key, const CdTrackSpan& track, std::vector<DecodedTag> tags)
    : track_(track), length_(uint64_t{track.sectors} * kCdFramesPerSector), tags_(std::move(tags)) {
}

DecoderOpenResult CdTrackDecoder::open(const CdDrive& drive, const CdTrackSpan& track,
                                       std::vector<DecodedTag> tags) {
    quietCdio();
    DecoderOpenResult opened;
    opened.result = FMOD_ERR_CDDA_NODISC;
    auto decoder = std::make_unique<CdTrackDecoder>(Key{}, track, std::move(tags));
    decoder->cdio_.reset(
        cdio_open(drive.device.c_str(), drive.image ? DRIVER_UNKNOWN : DRIVER_DEVICE));
    if (!decoder->cdio_) {
        return opened;
    }
    decoder->drive_.reset(
        cdio_cddap_identify_cdio(decoder->cdio_.get(), CDDA_MESSAGE_FORGETIT, nullptr));
    if (!decoder->drive_) {
        return opened;
    }
    cdio_cddap_verbose_set(decoder->drive_.get(), CDDA_MESSAGE_FORGETIT, CDDA_MESSAGE_FORGETIT);
    if (cdio_cddap_open(decoder->drive_.get()) != 0) {
        return opened;
    }
    decoder->paranoia_.reset(cdio_paranoia_init(decoder->drive_.get()));
    if (!decoder->paranoia_) {
        opened.result = FMOD_ERR_MEMORY;
        return opened;
    }
    cdrom_paranoia_t* paranoia = decoder->paranoia_.get();
    cdio_paranoia_modeset(paranoia, PARANOIA_MODE_FULL ^ PARANOIA_MODE_NEVERSKIP);
    // Paranoia reads ahead; past the track's end a real drive answers with errors.
    cdio_paranoia_set_range(paranoia, track.start,
                            track.start + static_cast<int32_t>(track.sectors) - 1);
    cdio_paranoia_seek(paranoia, track.start, SEEK_SET);
    opened.result = FMOD_OK;
    opened.decoder = std::move(decoder);
    return opened;
}

bool CdTrackDecoder::readSector() {
    const long errorsBefore = readErrors;
    const int16_t* data =
        cdio_paranoia_read_limited(paranoia_.get(), &countReadErrors, kReadRetries);
    if (data == nullptr || readErrors != errorsBefore) {
        // Scratched, ejected or cut short: what follows cannot be trusted.
        failed_ = true;
        return false;
    }
    std::copy(data, data + sector_.size(), sector_.begin());
    sectorOffset_ = skip_;
    skip_ = 0;
    return true;
}

size_t CdTrackDecoder::read(float* out, size_t frames) {
    size_t done = 0;
    while (done < frames && position_ < length_ && !failed_ &&
           !interrupted_.load(std::memory_order_acquire)) {
        if (sectorOffset_ >= kCdFramesPerSector && !readSector()) {
            break;
        }
        const size_t count = std::min({frames - done, size_t{kCdFramesPerSector} - sectorOffset_,
                                       static_cast<size_t>(length_ - position_)});
        const int16_t* in = sector_.data() + sectorOffset_ * 2;
        float* to = out + done * 2;
        for (size_t i = 0; i < count * 2; ++i) {
            to[i] = static_cast<float>(in[i]) * (1.0f / 32768.0f);
        }
        sectorOffset_ += count;
        position_ += count;
        done += count;
    }
    return done;
}

bool CdTrackDecoder::seek(uint64_t frame) {
    failed_ = false;
    position_ = std::min(frame, length_);
    const uint64_t sector = position_ / kCdFramesPerSector;
    cdio_paranoia_seek(paranoia_.get(), track_.start + static_cast<int32_t>(sector), SEEK_SET);
    skip_ = static_cast<size_t>(position_ % kCdFramesPerSector);
    sectorOffset_ = kCdFramesPerSector;
    return true;
}

} // namespace soundlib
