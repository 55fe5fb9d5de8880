// Loudness levelling: the playing channel's gain from its file's ReplayGain tags or, for files
// without them, from what the loudness scan measured.
#include "Player.h"
#include "StartupDecision.h"

#include <algorithm>
#include <set>
#include <utility>

namespace sorvel {
namespace fs = std::filesystem;
namespace {

// The text tags of a sound, by index (which leaves the "updated" marks of a stream alone).
std::vector<std::pair<std::string, std::string>> textTags(FMOD_SOUND sound) {
    std::vector<std::pair<std::string, std::string>> tags;
    int count = 0;
    if (sound == 0 || FMOD_Sound_GetNumTags(sound, &count, nullptr) != FMOD_OK) {
        return tags;
    }
    for (int i = 0; i < count; ++i) {
        FMOD_TAG tag{};
        if (FMOD_Sound_GetTag(sound, nullptr, i, &tag) == FMOD_OK &&
            tag.datatype == FMOD_TAGDATATYPE_STRING && tag.name != nullptr && tag.data != nullptr &&
            tag.datalen > 0) {
            tags.emplace_back(tag.name,
                              std::string(static_cast<const char*>(tag.data), tag.datalen - 1));
        }
    }
    return tags;
}

// Entries the scan can decode: local audio files (no streams, CD tracks, videos, lists, MIDI or
// zip members).
bool scannable(const std::string& path) {
    const std::string extension = entryExtension(path);
    if (path.empty() || isNetworkEntry(path) || isCdEntry(path) || isPlaylistFile(path) ||
        isVideoExtension(extension) || extension == "mid" || extension == "midi" ||
        extension == "zip" || path.ends_with(".zip.mp3")) {
        return false;
    }
    std::error_code error;
    return fs::is_regular_file(fs::path(path), error);
}

} // namespace

LoudnessCache& Player::loudnessCache() {
    if (!loudnessCache_) {
        loudnessCache_ =
            LoudnessCache::load(SettingsFilePath(state_).parent_path() / kLoudnessCacheFileName);
    }
    return *loudnessCache_;
}

void Player::applyReplayGain() {
    if (state_.isVideo || state_.currentChannel == 0) {
        return;
    }
    if (loudness_.sound != state_.currentSound) {
        loudness_.sound = state_.currentSound;
        loudness_.values = replayGainFromTags(textTags(state_.currentSound));
        if (!loudness_.values.hasGain() && scannable(loudness_.path)) {
            loudness_.values = loudnessCache().find(loudness_.path).value_or(LoudnessValues{});
        }
    }
    const auto mode = replayGainModeOf(state_.replayGainMode).value_or(ReplayGainMode::Off);
    FMOD_Channel_SetGain(
        state_.currentChannel,
        replayGainFactor(loudness_.values, mode, static_cast<double>(state_.preAmpDb)));
}

void Player::setReplayGain(int32_t mode, int32_t preAmpDb) {
    if (replayGainModeOf(mode)) {
        state_.replayGainMode = mode;
    }
    state_.preAmpDb = std::clamp(preAmpDb, kMinPreAmpDb, kMaxPreAmpDb);
    applyReplayGain();
}

void Player::takeLoudnessResults(const std::vector<LoudnessResult>& results) {
    if (results.empty()) {
        return;
    }
    LoudnessCache& cache = loudnessCache();
    for (const LoudnessResult& result : results) {
        cache.put(result.file, result.stamp, result.values);
    }
    cache.save(SettingsFilePath(state_).parent_path() / kLoudnessCacheFileName);
    loudness_.sound = 0; // the playing entry may have been measured just now
    applyReplayGain();
}

std::vector<fs::path> Player::loudnessScanFiles() const {
    std::vector<fs::path> files;
    std::set<std::string> seen;
    for (size_t slot = 1; slot < state_.playlistEntries.size() &&
                          slot <= static_cast<size_t>(std::max(state_.entryCount, 0));
         ++slot) {
        const std::string& path = state_.playlistEntries[slot].path;
        if (scannable(path) && seen.insert(path).second) {
            files.emplace_back(path);
        }
    }
    return files;
}

} // namespace sorvel
