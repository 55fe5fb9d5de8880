#include "Sound.h"

#include "RateConverter.h"

#include <algorithm>

namespace soundlib {

Sound::Sound(System& system, FMOD_MODE mode, bool stream)
    : system_(system), mode_(mode), stream_(stream) {}

Sound::~Sound() {
    shutdown();
}

void Sound::shutdown() {
    // An open waiting on the network gives up at once.
    cancelled_->store(true, std::memory_order_release);
    if (opener_.joinable()) {
        opener_.join();
    }
    if (feed_) {
        feed_->stop();
    }
}

FMOD_RESULT Sound::finish(FMOD_RESULT result) {
    openResult_.store(result, std::memory_order_release);
    openState_.store(result == FMOD_OK ? FMOD_OPENSTATE_READY : FMOD_OPENSTATE_ERROR,
                     std::memory_order_release);
    return result;
}

FMOD_RESULT Sound::open(const std::string& path, const DecoderOptions& options,
                        bool threadedStream) {
    try {
        // A sample is decoded once and looped by the mixer; a decoder following a module's own
        // loop would never end.
        DecoderOptions decoderOptions = options;
        if (!stream_) {
            decoderOptions.loop = false;
        }
        decoderOptions.cancelled = cancelled_;
        return adopt(openDecoder(path, decoderOptions), threadedStream, options.outputRate);
    } catch (const std::bad_alloc&) {
        return finish(FMOD_ERR_MEMORY);
    } catch (...) {
        return finish(FMOD_ERR_FORMAT);
    }
}

FMOD_RESULT Sound::openPart(SubSoundSource& container, int index, bool threadedStream,
                            int outputRate) {
    try {
        return adopt(container.openPart(index), threadedStream, outputRate);
    } catch (const std::bad_alloc&) {
        return finish(FMOD_ERR_MEMORY);
    } catch (...) {
        return finish(FMOD_ERR_FORMAT);
    }
}

FMOD_RESULT Sound::adopt(DecoderOpenResult opened, bool threadedStream, int outputRate) {
    try {
        if (opened.result == FMOD_OK && opened.container) {
            container_ = std::move(opened.container);
            sampleRate_ = container_->sampleRate();
            channels_ = 2;
            lengthFrames_ = container_->lengthFrames();
            type_ = container_->type();
            sourceFormat_ = FMOD_SOUND_FORMAT_PCM16;
            sourceBits_ = 16;
            sourceChannels_ = 2;
            subSoundHandles_.assign(static_cast<size_t>(container_->count()), 0);
            return finish(sampleRate_ > 0 ? FMOD_OK : FMOD_ERR_FORMAT);
        }
        if (opened.result != FMOD_OK || !opened.decoder) {
            return finish(opened.result != FMOD_OK ? opened.result : FMOD_ERR_FORMAT);
        }
        Decoder& decoder = *opened.decoder;
        sampleRate_ = decoder.sampleRate();
        channels_ = decoder.channels();
        lengthFrames_ = decoder.lengthFrames();
        type_ = decoder.type();
        sourceFormat_ = decoder.sourceFormat();
        sourceBits_ = decoder.sourceBits();
        sourceChannels_ = decoder.sourceChannels();
        if (sampleRate_ <= 0 || channels_ < 1 || channels_ > 2) {
            return finish(FMOD_ERR_FORMAT);
        }
        for (const DecodedTag& tag : decoder.tags()) {
            TagRecord record;
            record.kind = tag.kind;
            record.name = tag.name;
            record.data = tag.value;
            record.binary = tag.binary;
            if (!tag.binary) {
                record.data.push_back('\0');
            }
            tags_.push_back(std::move(record));
        }
        if (decoder.streamsOnly()) {
            stream_ = true;
        }
        if (stream_) {
            // Sources that wait on a drive or the network never decode inside the mixer.
            const bool threaded =
                threadedStream || decoder.blockingReadWait() > std::chrono::milliseconds(0);
            feed_ = std::make_unique<StreamFeed>(std::move(opened.decoder), loops(), threaded,
                                                 outputRate);
        } else {
            // A sample holds every frame the decoder delivers; the length follows what was read.
            const size_t chunk = 16384;
            // A damaged header may claim any length: reserve no more than a long song needs.
            samples_.reserve(
                std::min<size_t>(static_cast<size_t>(lengthFrames_) * channels_, size_t{1} << 28));
            for (;;) {
                const size_t used = samples_.size();
                samples_.resize(used + chunk * channels_);
                const size_t got = decoder.read(samples_.data() + used, chunk);
                samples_.resize(used + got * channels_);
                if (got == 0) {
                    break;
                }
            }
            lengthFrames_ = samples_.size() / channels_;
            convertSample(outputRate);
            samples_.shrink_to_fit();
        }
        return finish(FMOD_OK);
    } catch (const std::bad_alloc&) {
        return finish(FMOD_ERR_MEMORY);
    } catch (...) {
        return finish(FMOD_ERR_FORMAT);
    }
}

void Sound::convertSample(int outputRate) {
    if (!RateConverter::converts(sampleRate_, outputRate) || lengthFrames_ == 0) {
        return;
    }
    std::unique_ptr<std::vector<float>> converted;
    if (loops()) {
        // A whole number of output frames for the whole loop: the nearest to the exact count.
        const uint64_t frames =
            std::max<uint64_t>(1, (lengthFrames_ * static_cast<uint64_t>(outputRate) +
                                   static_cast<uint64_t>(sampleRate_) / 2) /
                                      static_cast<uint64_t>(sampleRate_));
        converted = RateConverter::convertLoop(samples_, channels_, frames);
        if (converted) {
            samplesRatio_ = FrameRatio::of(frames, lengthFrames_);
        }
    } else {
        converted = RateConverter::convertAll(samples_, channels_, sampleRate_, outputRate);
        if (converted) {
            samplesRatio_ = FrameRatio::of(static_cast<uint64_t>(outputRate),
                                           static_cast<uint64_t>(sampleRate_));
        }
    }
    // Without a converter the mixer's resampler plays the file's frames as they are.
    if (converted) {
        samples_ = std::move(*converted);
    }
}

void Sound::openInBackground(const std::string& path, const DecoderOptions& options,
                             bool threadedStream) {
    openState_.store(FMOD_OPENSTATE_LOADING, std::memory_order_release);
    opener_ =
        std::thread([this, path, options, threadedStream] { open(path, options, threadedStream); });
}

std::vector<TagRecord>& Sound::tags() {
    if (!feed_ || !feed_->decoder().live()) {
        return tags_;
    }
    // The ring's read position counts the frames the mixer has played (converted, perhaps).
    feed_->decoder().takeUpdatedTags(waitingTags_,
                                     feed_->ratio().toFile(feed_->ring().readPosition()));
    // A caller that never looks must not make the queue grow for ever.
    constexpr size_t kMaxWaitingTags = 256;
    if (waitingTags_.size() > kMaxWaitingTags) {
        waitingTags_.erase(waitingTags_.begin(),
                           waitingTags_.end() - static_cast<long>(kMaxWaitingTags));
    }
    size_t merged = 0;
    for (; merged < waitingTags_.size(); ++merged) {
        DecodedTag& tag = waitingTags_[merged];
        auto known = std::find_if(tags_.begin(), tags_.end(),
                                  [&](const TagRecord& record) { return record.name == tag.name; });
        if (known != tags_.end() && known->updated) {
            break; // its previous text has not been handed out yet
        }
        if (known == tags_.end()) {
            known = tags_.insert(tags_.end(), TagRecord{});
            known->name = std::move(tag.name);
        }
        known->kind = tag.kind;
        known->data = std::move(tag.value);
        known->data.push_back('\0');
        known->updated = true;
    }
    waitingTags_.erase(waitingTags_.begin(), waitingTags_.begin() + static_cast<long>(merged));
    return tags_;
}

VoiceSource Sound::voiceSource() const {
    VoiceSource source;
    source.channels = channels_;
    source.loop = loops();
    if (feed_) {
        source.feed = feed_.get();
        source.ratio = feed_->ratio();
    } else {
        source.ratio = samplesRatio_;
        source.sample = samples_.data();
        source.sampleFrames = samples_.size() / static_cast<size_t>(channels_);
    }
    return source;
}

} // namespace soundlib
