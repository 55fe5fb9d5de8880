#include "StartupDecision.h"

#include "PlayerState.h"
#include "ProfileFile.h"

namespace sorvel {

std::filesystem::path SettingsFilePath(const std::filesystem::path& programFolder) {
    return programFolder / "sorvel_Settings.ini";
}

std::filesystem::path SettingsFilePath(const PlayerState& state) {
    return SettingsFilePath(state.settingsFolder.empty() ? state.programFolder
                                                         : state.settingsFolder);
}

void LoadDeviceSettings(const std::filesystem::path& settingsFile, clsAudioDeviceSettings& device,
                        int32_t& refreshIntervalMs) {
    const ProfileFile file = ProfileFile::load(settingsFile);
    device.OutputType(file.getInt("Etc", "-OutputType", 0));
    device.SoundCard(file.getInt("Etc", "-SoundCard", 0));
    device.Samplerate(file.getInt("Etc", "-Samplerate", 4));
    device.SoundFormat(file.getInt("Etc", "-SoundFormat", 2));
    device.Speakermode(file.getInt("Etc", "-SpeakerMode", 2));
    device.ReSampling(file.getInt("Etc", "-ReSamplingMode", 1));
    switch (file.getInt("Etc", "-Priority", 128)) {
    case 0:
        device.Priority(0);
        break;
    case 128:
        device.Priority(1);
        break;
    case 256:
        device.Priority(2);
        break;
    default:
        break; // anything else leaves the priority as it was
    }
    device.SoftMidi(file.getInt("Etc", "-SoftMidi", 1));
    refreshIntervalMs = file.getInt("Etc", "-InterfacePriority", 80);
}

LoadDecision DecideLoad(bool hasCommandLine, bool otherInstanceRunning, int32_t audioDeviceReset) {
    if (!otherInstanceRunning) {
        return LoadDecision::Start;
    }
    if (hasCommandLine) {
        return LoadDecision::HandOverCommandLine;
    }
    return audioDeviceReset != 0 ? LoadDecision::StartAfterDeviceReset : LoadDecision::EndSilently;
}

LoadDecision DecideLoadFromSettings(bool hasCommandLine, bool otherInstanceRunning,
                                    const std::filesystem::path& settingsFile) {
    const int32_t reset = !hasCommandLine && otherInstanceRunning
                              ? GetPrivateProfileIntA("Etc", "-AudioDeviceReset", 0, settingsFile)
                              : 0;
    return DecideLoad(hasCommandLine, otherInstanceRunning, reset);
}

void ClearAudioDeviceReset(const std::filesystem::path& settingsFile) {
    if (GetPrivateProfileIntA("Etc", "-AudioDeviceReset", 0, settingsFile) != 0) {
        WritePrivateProfileStringA("Etc", "-AudioDeviceReset", "0", settingsFile);
    }
}

int ReadZoom(const std::filesystem::path& settingsFile) {
    const int zoom = ProfileFile::load(settingsFile).getInt("Etc", "-Zoom", 0);
    return zoom >= 1 && zoom <= 3 ? zoom : 0;
}

} // namespace sorvel
