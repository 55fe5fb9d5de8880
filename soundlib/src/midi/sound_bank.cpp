#include "sound_bank.h"

#include <array>
#include <filesystem>
#include <system_error>
#include <vector>

namespace soundlib {

std::string largestSoundBank(std::span<const std::pair<std::string, uint64_t>> candidates) {
    const std::pair<std::string, uint64_t>* best = nullptr;
    for (const auto& candidate : candidates) {
        if (candidate.second > 0 && (best == nullptr || candidate.second > best->second)) {
            best = &candidate;
        }
    }
    return best != nullptr ? best->first : std::string();
}

std::string installedSoundBank() {
    static constexpr std::array kKnownBanks = {
        "/usr/share/sounds/sf2/FluidR3_GM.sf2", "/usr/share/sounds/sf2/default-GM.sf2",
        "/usr/share/sounds/sf2/TimGM6mb.sf2",   "/usr/share/sounds/sf3/default-GM.sf3",
        "/usr/share/soundfonts/default.sf2",    "/usr/share/soundfonts/FluidR3_GM.sf2",
        "/usr/share/sounds/sf2/FluidR3_GS.sf2", "/usr/share/sounds/sf3/MuseScore_General.sf3",
    };
    std::vector<std::pair<std::string, uint64_t>> candidates;
    for (const char* path : kKnownBanks) {
        std::error_code error;
        // Follows links, so default-GM.sf2 counts with the size of the bank it stands for.
        const auto size = std::filesystem::file_size(path, error);
        candidates.emplace_back(path, error ? 0 : static_cast<uint64_t>(size));
    }
    return largestSoundBank(candidates);
}

} // namespace soundlib
