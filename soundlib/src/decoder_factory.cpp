#include "FfmpegDecoder.h"
#include "FfmpegIo.h"
#include "Mpg123Decoder.h"
#include "OpenmptDecoder.h"
#include "ZipArchive.h"
#include "cd/CdDisc.h"
#include "cd/cd_drives.h"
#include "decoder.h"
#include "decoder_support.h"
#include "midi/FluidMidiDecoder.h"
#include "net/NetStreamDecoder.h"

extern "C" {
#include <libavutil/log.h>
}

#include <cstdlib>
#include <functional>
#include <mutex>
#include <new>

namespace soundlib {
namespace {

// Modules and zip members are decoded from memory; nothing sensible is larger.
constexpr uint64_t kMaxModuleBytes = uint64_t{256} << 20;
constexpr uint64_t kMaxMemberBytes = uint64_t{1} << 30;

DecoderOpenResult failed(FMOD_RESULT result) {
    DecoderOpenResult opened;
    opened.result = result;
    return opened;
}

void quietFfmpeg() {
    // Damaged files make FFmpeg talk on stderr; our result codes say it instead.
    // SORVEL_FFMPEG_LOG keeps its messages for debugging.
    static std::once_flag once;
    std::call_once(once, [] {
        if (!std::getenv("SORVEL_FFMPEG_LOG"))
            av_log_set_level(AV_LOG_FATAL);
    });
}

bool isMidi(const std::string& ext, FMOD_SOUND_TYPE suggested, const std::vector<uint8_t>& head) {
    return suggested == FMOD_SOUND_TYPE_MIDI || ext == "mid" || ext == "midi" || ext == "rmi" ||
           ext == "kar" || MidiSong::looksLikeMidi(head);
}

FMOD_SOUND_TYPE trackerType(const std::string& ext, FMOD_SOUND_TYPE suggested) {
    if (ext == "xm")
        return FMOD_SOUND_TYPE_XM;
    if (ext == "it")
        return FMOD_SOUND_TYPE_IT;
    if (ext == "mod")
        return FMOD_SOUND_TYPE_MOD;
    if (ext == "s3m")
        return FMOD_SOUND_TYPE_S3M;
    if (suggested == FMOD_SOUND_TYPE_XM || suggested == FMOD_SOUND_TYPE_IT ||
        suggested == FMOD_SOUND_TYPE_MOD || suggested == FMOD_SOUND_TYPE_S3M)
        return suggested;
    return FMOD_SOUND_TYPE_UNKNOWN;
}

// One media source, on disk or in memory, as the decoders need it.
struct Source {
    std::string name; // its extension picks decoders
    uint64_t size = 0;
    std::vector<uint8_t> head; // the first bytes, for recognising modules
    std::function<std::unique_ptr<FfmpegIo>()> makeIo;
    std::function<std::shared_ptr<const std::vector<uint8_t>>()> whole; // null when too large
};

DecoderOpenResult openModule(const Source& source, FMOD_SOUND_TYPE type,
                             const DecoderOptions& options) {
    if (source.size > kMaxModuleBytes)
        return failed(FMOD_ERR_FORMAT);
    const auto bytes = source.whole();
    if (!bytes)
        return failed(FMOD_ERR_FORMAT);
    return OpenmptDecoder::open(*bytes, type, options);
}

DecoderOpenResult openSource(const Source& source, const DecoderOptions& options) {
    const std::string ext = lowerExtension(source.name);
    const FMOD_SOUND_TYPE tracker = trackerType(ext, options.suggestedType);
    if (tracker != FMOD_SOUND_TYPE_UNKNOWN) {
        DecoderOpenResult opened = openModule(source, tracker, options);
        if (opened.result == FMOD_OK)
            return opened;
        // A misnamed file: let FFmpeg have a look.
    }
    const bool raw = ext == "raw" || options.suggestedType == FMOD_SOUND_TYPE_RAW;
    if (!raw) {
        // MPEG audio through libmpg123; what it turns away, FFmpeg still gets to judge (on a
        // handle of its own: the file is opened again).
        if (auto io = source.makeIo(); io && Mpg123Decoder::claims(*io)) {
            DecoderOpenResult mpeg = Mpg123Decoder::open(std::move(io), options);
            if (mpeg.result == FMOD_OK || mpeg.result == FMOD_ERR_MEMORY)
                return mpeg;
        }
    }
    DecoderOpenResult opened = FfmpegDecoder::open(source.makeIo(), source.name, options, raw);
    if (opened.result == FMOD_OK || opened.result == FMOD_ERR_MEMORY || raw)
        return opened;
    if (tracker == FMOD_SOUND_TYPE_UNKNOWN &&
        OpenmptDecoder::looksLikeModule(source.head, source.size)) {
        DecoderOpenResult module = openModule(source, FMOD_SOUND_TYPE_UNKNOWN, options);
        if (module.result == FMOD_OK)
            return module;
    }
    return failed(FMOD_ERR_FORMAT);
}

std::vector<uint8_t> headOf(const std::vector<uint8_t>& bytes) {
    const size_t size = std::min(bytes.size(), OpenmptDecoder::kProbeBytes);
    return {bytes.begin(), bytes.begin() + static_cast<long>(size)};
}

DecoderOpenResult openZip(const std::string& path, const DecoderOptions& options) {
    FMOD_RESULT result = FMOD_OK;
    const auto archive = ZipArchive::open(path, result);
    if (!archive)
        return failed(result);
    // The first member, in archive order, that opens as audio.
    for (const ZipArchive::Member& member : archive->members()) {
        if (lowerExtension(member.name) == "zip")
            continue; // archives inside archives are not followed
        auto bytes = archive->read(member, kMaxMemberBytes);
        if (!bytes || bytes->empty())
            continue;
        auto shared = std::make_shared<const std::vector<uint8_t>>(std::move(*bytes));
        Source source;
        source.name = member.name;
        source.size = shared->size();
        source.head = headOf(*shared);
        source.makeIo = [shared] { return FfmpegIo::fromMemory(shared); };
        source.whole = [shared] { return shared; };
        DecoderOpenResult opened = openSource(source, options);
        if (opened.result == FMOD_OK)
            return opened;
    }
    return failed(FMOD_ERR_FORMAT);
}

} // namespace

DecoderOpenResult openDecoder(const std::string& path, const DecoderOptions& options) {
    try {
        quietFfmpeg();
        if (NetStreamDecoder::isNetworkAddress(path)) {
            return NetStreamDecoder::open(path, options);
        }
        if (isCdDriveName(path)) {
            return CdDisc::open(path);
        }
        FMOD_RESULT access = FMOD_OK;
        auto probeIo = FfmpegIo::openFile(path, access);
        if (!probeIo)
            return failed(access);

        Source source;
        source.name = path;
        source.size = static_cast<uint64_t>(probeIo->size());
        source.head.resize(OpenmptDecoder::kProbeBytes);
        source.head.resize(probeIo->readAt(0, source.head.data(), source.head.size()));

        const bool zipMagic = source.head.size() >= 4 && source.head[0] == 'P' &&
                              source.head[1] == 'K' && source.head[2] == 3 && source.head[3] == 4;
        if (lowerExtension(path) == "zip" || zipMagic)
            return openZip(path, options);
        if (isMidi(lowerExtension(path), options.suggestedType, source.head)) {
            probeIo.reset();
            return FluidMidiDecoder::open(path, options);
        }

        // The first handle serves the first try; fallbacks open the file again.
        auto firstIo = std::make_shared<std::unique_ptr<FfmpegIo>>(std::move(probeIo));
        source.makeIo = [firstIo, path] {
            if (*firstIo)
                return std::move(*firstIo);
            FMOD_RESULT ignored = FMOD_OK;
            return FfmpegIo::openFile(path, ignored);
        };
        source.whole = [path, size = source.size]() -> std::shared_ptr<const std::vector<uint8_t>> {
            FMOD_RESULT ignored = FMOD_OK;
            const auto io = FfmpegIo::openFile(path, ignored);
            if (!io)
                return nullptr;
            auto bytes = std::make_shared<std::vector<uint8_t>>(static_cast<size_t>(size));
            if (io->readAt(0, bytes->data(), bytes->size()) != bytes->size())
                return nullptr;
            return bytes;
        };
        return openSource(source, options);
    } catch (const std::bad_alloc&) {
        return failed(FMOD_ERR_MEMORY);
    } catch (...) {
        return failed(FMOD_ERR_FORMAT);
    }
}

} // namespace soundlib
