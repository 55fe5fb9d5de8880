#include "FileAssociations.h"

namespace sorvel {

const std::array<AssociationEntry, kAssociationEntryCount>& associationEntries() {
    using K = AssociationKind;
    static constexpr std::array<AssociationEntry, kAssociationEntryCount> entries{{
        {"Apple Interchange File", "(*.aif *.aiff *.aifc)", {"aif", "aiff", "aifc"}, K::Music},
        {"Wave Format", "(*.wav)", {"wav"}, K::Music},
        {"Mpeg Audio Format", "(*.mp2 *.mp3)", {"mp2", "mp3"}, K::Music},
        {"Mpeg Video Format", "(*.mpg *.mpeg)", {"mpg", "mpeg"}, K::Movie},
        {"Windows Media Audio", "(*.wma)", {"wma"}, K::Music},
        {"Windows Media Video", "(*.wmv)", {"wmv"}, K::Movie},
        {"Ogg Vorbis Music Format", "(*.ogg)", {"ogg"}, K::Music},
        {"Ogg Vorbis Video Format", "(*.ogm)", {"ogm"}, K::Movie},
        {"MIDI Direct Music", "(*.mid *.midi)", {"mid", "midi"}, K::Music},
        {"Video Format", "(*.avi)", {"avi"}, K::Movie},
        {"Downloadable Sounds", "(*.dls)", {"dls"}, K::Music},
        {"FLAC Audio Format", "(*.flac)", {"flac"}, K::Music},
        {"MOD Media FastTracker", "(*.mod)", {"mod"}, K::Music},
        {"MOD Media FastTrackerⅡ", "(*.xm)", {"xm"}, K::Music},
        {"InpulseTracker", "(*.it)", {"it"}, K::Music},
        {"ScreamTrackerⅢ", "(*.s3m)", {"s3m"}, K::Music},
        {"PCM Raw Data", "(*.raw)", {"raw"}, K::Music},
        {"PS Single Waveform Data", "(*.vag)", {"vag"}, K::Music},
        {"M3U Playlist File", "(*.m3u)", {"m3u"}, K::Playlist},
        {"Winamp Playlist File", "(*.pls)", {"pls"}, K::Playlist},
    }};
    return entries;
}

std::string associationListText(const AssociationEntry& entry) {
    return std::string(entry.description) + "\t" + std::string(entry.pattern);
}

FileAssociations::FileAssociations(std::filesystem::path dataHome, std::filesystem::path configHome,
                                   std::filesystem::path program)
    : dataHome_(std::move(dataHome)), configHome_(std::move(configHome)),
      program_(std::move(program)) {}

FileAssociations FileAssociations::forCurrentUser(std::filesystem::path program) {
    return FileAssociations({}, {}, std::move(program));
}

std::array<bool, kAssociationEntryCount> FileAssociations::Read() const {
    return {};
}

bool FileAssociations::Apply(const std::array<bool, kAssociationEntryCount>&) {
    return false;
}

} // namespace sorvel
