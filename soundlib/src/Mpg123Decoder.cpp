#include "Mpg123Decoder.h"

#include "decoder_support.h"
#include "id3v1_reader.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <mpg123.h>
#include <mutex>
#include <new>
#include <string_view>
#include <utility>

namespace soundlib {
namespace {

// How far into a file its first frame header may sit; ID3v2 tags before it are skipped.
constexpr int kMaxId3v2Tags = 4;

// Layer III frames carry up to 511 bytes of the next frames' data (the bit reservoir); at the
// lowest bit rates that spans a few dozen frames, all of which must be decoded again before
// a seek's target sounds as it does in a full decode.
constexpr long kSeekPreroll = 40;

// FFmpeg's names for the ID3v2 frames, so tags read the same through either decoder.
constexpr std::pair<std::string_view, std::string_view> kFrameKeys[] = {
    {"TALB", "album"},         {"TCOM", "composer"},   {"TCON", "genre"},
    {"TCOP", "copyright"},     {"TENC", "encoded_by"}, {"TIT2", "title"},
    {"TLAN", "language"},      {"TPE1", "artist"},     {"TPE2", "album_artist"},
    {"TPE3", "performer"},     {"TPOS", "disc"},       {"TPUB", "publisher"},
    {"TRCK", "track"},         {"TSSE", "encoder"},    {"TCMP", "compilation"},
    {"TDRC", "date"},          {"TDRL", "date"},       {"TYER", "date"},
    {"TDEN", "creation_time"}, {"TSOA", "album-sort"}, {"TSOP", "artist-sort"},
    {"TSOT", "title-sort"},    {"TIT1", "grouping"},
};

std::string_view keyOfFrame(std::string_view id) {
    for (const auto& [frame, key] : kFrameKeys)
        if (frame == id)
            return key;
    return id;
}

std::string text(const mpg123_string& value) {
    if (value.p == nullptr || value.fill == 0)
        return {};
    return std::string(value.p, ::strnlen(value.p, value.fill));
}

void initialiseOnce() {
    static std::once_flag once;
    std::call_once(once, [] { mpg123_init(); });
}

} // namespace

bool Mpg123Decoder::claims(const FfmpegIo& io) {
    int64_t offset = 0;
    for (int i = 0; i < kMaxId3v2Tags; ++i) {
        std::array<uint8_t, 10> header{};
        if (io.readAt(offset, header.data(), header.size()) != header.size())
            return false;
        const uint64_t tagLength = id3v2TagLength(header);
        if (tagLength == 0)
            break;
        offset += static_cast<int64_t>(tagLength);
    }
    std::array<uint8_t, 4> first{};
    if (io.readAt(offset, first.data(), first.size()) != first.size())
        return false;
    const MpegFrameHeader head = parseMpegFrameHeader(first);
    if (head.bytes == 0)
        return false;
    std::array<uint8_t, 4> second{};
    if (io.readAt(offset + head.bytes, second.data(), second.size()) != second.size())
        return false;
    return sameMpegStream(head, parseMpegFrameHeader(second));
}

DecoderOpenResult Mpg123Decoder::open(std::unique_ptr<FfmpegIo> io, const DecoderOptions& options) {
    DecoderOpenResult opened;
    if (!io) {
        opened.result = FMOD_ERR_FORMAT;
        return opened;
    }
    auto decoder = std::make_unique<Mpg123Decoder>(Key{});
    decoder->io_ = std::move(io);
    opened.result = decoder->start(options);
    if (opened.result == FMOD_OK)
        opened.decoder = std::move(decoder);
    return opened;
}

Mpg123Decoder::Mpg123Decoder(Key) {}

Mpg123Decoder::~Mpg123Decoder() {
    if (handle_ != nullptr) {
        mpg123_close(handle_);
        mpg123_delete(handle_);
    }
}

ptrdiff_t Mpg123Decoder::readBytes(void* self, void* out, size_t count) {
    auto* decoder = static_cast<Mpg123Decoder*>(self);
    const size_t got =
        decoder->io_->readAt(decoder->ioPosition_, static_cast<uint8_t*>(out), count);
    decoder->ioPosition_ += static_cast<int64_t>(got);
    return static_cast<ptrdiff_t>(got);
}

off_t Mpg123Decoder::seekBytes(void* self, off_t offset, int whence) {
    auto* decoder = static_cast<Mpg123Decoder*>(self);
    int64_t to = offset;
    if (whence == SEEK_CUR)
        to += decoder->ioPosition_;
    else if (whence == SEEK_END)
        to += decoder->io_->size();
    else if (whence != SEEK_SET)
        return -1;
    if (to < 0)
        return -1;
    decoder->ioPosition_ = to;
    return static_cast<off_t>(to);
}

FMOD_RESULT Mpg123Decoder::start(const DecoderOptions& options) {
    initialiseOnce();
    int error = MPG123_OK;
    handle_ = mpg123_new(nullptr, &error);
    if (handle_ == nullptr)
        return FMOD_ERR_MEMORY;
    // The encoder delay and padding are trimmed here, from our reading of the Info frame, as
    // FFmpeg trims them; libmpg123 delivers every decoded sample.
    mpg123_param(handle_, MPG123_REMOVE_FLAGS, MPG123_GAPLESS, 0);
    mpg123_param(handle_, MPG123_ADD_FLAGS, MPG123_QUIET | MPG123_PICTURE, 0);
    mpg123_param(handle_, MPG123_PREFRAMES, kSeekPreroll, 0);
    mpg123_format_none(handle_);
    const long* rates = nullptr;
    size_t rateCount = 0;
    mpg123_rates(&rates, &rateCount);
    for (size_t i = 0; i < rateCount; ++i)
        mpg123_format(handle_, rates[i], MPG123_MONO | MPG123_STEREO, MPG123_ENC_FLOAT_32);
    if (mpg123_replace_reader_handle(handle_, &Mpg123Decoder::readBytes, &Mpg123Decoder::seekBytes,
                                     nullptr) != MPG123_OK ||
        mpg123_open_handle(handle_, this) != MPG123_OK)
        return FMOD_ERR_FORMAT;
    long rate = 0;
    int channels = 0;
    int encoding = 0;
    if (mpg123_getformat(handle_, &rate, &channels, &encoding) != MPG123_OK || rate <= 0 ||
        channels < 1 || channels > 2)
        return FMOD_ERR_FORMAT;
    rate_ = static_cast<int>(rate);
    channels_ = channels;
    // One format for the whole stream: a later frame in another mode is converted to it.
    mpg123_format_none(handle_);
    mpg123_format(handle_, rate, channels, MPG123_ENC_FLOAT_32);

    // The Info frame sits right after the ID3v2 tags; libmpg123 has parsed those by now.
    int64_t audioStart = 0;
    for (int i = 0; i < kMaxId3v2Tags; ++i) {
        std::array<uint8_t, 10> header{};
        if (io_->readAt(audioStart, header.data(), header.size()) != header.size())
            break;
        const uint64_t tagLength = id3v2TagLength(header);
        if (tagLength == 0)
            break;
        audioStart += static_cast<int64_t>(tagLength);
    }
    std::vector<uint8_t> frame(4096);
    frame.resize(io_->readAt(audioStart, frame.data(), frame.size()));
    const std::optional<MpegInfoFrame> info = parseMpegInfoFrame(frame);

    uint64_t end = UINT64_MAX; // decoded frames after which the padding starts
    if (info && info->hasEncoderDelay) {
        skip_ = int64_t{info->startPadding} + kMpegDecoderDelay;
        const uint64_t coded = uint64_t(info->frames.value_or(0)) * uint64_t(info->samplesPerFrame);
        if (info->frames)
            end = coded - uint64_t(std::max(0, info->endPadding - kMpegDecoderDelay));
    }
    const uint64_t audioBytes = static_cast<uint64_t>(io_->size() - audioStart);
    if (info && !options.accurateTime && mpegInfoMatchesFile(*info, audioBytes)) {
        length_ = mpegOutputFrames(*info);
    } else {
        // Counted: every frame header in the file, as FFmpeg counts what it decodes.
        if (mpg123_scan(handle_) != MPG123_OK)
            return FMOD_ERR_FORMAT;
        const off_t decoded = mpg123_length(handle_);
        if (decoded < 0)
            return FMOD_ERR_FORMAT;
        const uint64_t last = std::min<uint64_t>(end, static_cast<uint64_t>(decoded));
        length_ = last > uint64_t(skip_) ? last - uint64_t(skip_) : 0;
    }
    if (!seek(0))
        return FMOD_ERR_FORMAT;
    collectTags(audioStart > 0, info ? info->encoder : std::string());
    return FMOD_OK;
}

void Mpg123Decoder::collectTags(bool id3v2, const std::string& encoder) {
    std::optional<Id3v1Tag> id3v1;
    std::array<uint8_t, kId3v1Size> tail{};
    if (io_->size() >= int64_t(kId3v1Size) &&
        io_->readAt(io_->size() - int64_t(kId3v1Size), tail.data(), tail.size()) == tail.size())
        id3v1 = parseId3v1(tail);
    // The file's tags are of the kind of tag it carries, as FFmpeg's decoder reports them.
    const FMOD_TAGTYPE kind = id3v2   ? FMOD_TAGTYPE_ID3V2
                              : id3v1 ? FMOD_TAGTYPE_ID3V1
                                      : FMOD_TAGTYPE_UNKNOWN;
    const auto add = [this, kind](std::string name, std::string value, bool binary = false) {
        const bool duplicate = std::any_of(tags_.begin(), tags_.end(), [&](const DecodedTag& t) {
            return t.name == name && t.value == value;
        });
        if (!duplicate && !value.empty())
            tags_.push_back({kind, std::move(name), std::move(value), binary});
    };

    mpg123_id3v1* v1 = nullptr; // ours is read above, in the right encoding
    mpg123_id3v2* v2 = nullptr;
    if (mpg123_id3(handle_, &v1, &v2) == MPG123_OK && v2 != nullptr) {
        for (size_t i = 0; i < v2->texts; ++i) {
            const mpg123_text& frame = v2->text[i];
            add(decoderTagName(keyOfFrame(std::string_view(frame.id, 4)), false), text(frame.text));
        }
        for (size_t i = 0; i < v2->extras; ++i) // TXXX: the description names the value
            add(decoderTagName(text(v2->extra[i].description), false), text(v2->extra[i].text));
        for (size_t i = 0; i < v2->comments; ++i)
            if (text(v2->comment_list[i].description).empty())
                add("COMMENT", text(v2->comment_list[i].text));
    }
    add("ENCODER", encoder);
    if (v2 != nullptr && v2->pictures > 0 && v2->picture[0].size > 0) {
        const mpg123_picture& picture = v2->picture[0];
        add("PICTURE", std::string(reinterpret_cast<const char*>(picture.data), picture.size),
            true);
    }
    if (id3v1)
        addMissingId3v1Fields(*id3v1, tags_);
}

size_t Mpg123Decoder::read(float* out, size_t frames) {
    const size_t frameBytes = sizeof(float) * static_cast<size_t>(channels_);
    size_t done = 0;
    while (done < frames && !ended_ && position_ < length_) {
        const size_t want = std::min<uint64_t>(frames - done, length_ - position_);
        size_t bytes = 0;
        const int result =
            mpg123_read(handle_, reinterpret_cast<unsigned char*>(out + done * channels_),
                        want * frameBytes, &bytes);
        const size_t got = bytes / frameBytes;
        done += got;
        position_ += got;
        if (result == MPG123_NEW_FORMAT)
            continue;
        // The end, or damage past which nothing decodes: the sound ends there.
        if (result != MPG123_OK || got == 0)
            ended_ = true;
    }
    return done;
}

bool Mpg123Decoder::seek(uint64_t frame) {
    if (frame >= length_) {
        position_ = length_; // reads answer 0 until the next seek
        return true;
    }
    position_ = frame;
    const off_t to =
        mpg123_seek(handle_, static_cast<off_t>(static_cast<int64_t>(frame) + skip_), SEEK_SET);
    ended_ = to < 0;
    return to >= 0;
}

} // namespace soundlib
