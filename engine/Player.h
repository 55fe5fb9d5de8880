// The player's engine: start-up and shutdown of the sound library, opening media, the transport
// commands and the playback tick; the playlist's operations are its PlaylistController's. It works
// on the shared PlayerState and reaches windows only through PlayerServices, so all of it runs and
// is tested without a window.
//
// Thread: the UI thread only, except the three file-system hooks (see NetCapture).
#pragma once

#include "LoudnessCache.h"
#include "LoudnessScan.h"
#include "NetCapture.h"
#include "PlayerServices.h"
#include "PlayerState.h"
#include "PlaylistController.h"
#include "PlaylistSelection.h"
#include "clsAudioDeviceSettings.h"
#include "entry_kind.h"
#include "soundlib.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace sorvel {

// Main window button indexes, which are the transport command numbers.
enum TransportButton : int {
    kBack = 0,
    kSeekBack = 1,
    kPlay = 2,
    kPause = 3,
    kStop = 4,
    kSeekForward = 5,
    kNext = 6,
    kRandom = 10,
    kRepeatLoop = 11,
    kOpenFile = 12,
    kPlaylist = 13,
    kOption = 14,
    kExit = 15,
    kOpenCd = 16,
    kMinimize = 17,
};

// The library's text for a result: the published table for 0..88, else "Unknown error.".
std::string ResultText(FMOD_RESULT result);
// What the title display shows for a failed result: "ERROR! No." + number + text.
std::string ErrorTitle(FMOD_RESULT result);
// The part of a command line that names the file: between the first two double quotes when it
// starts with one, else the whole text.
std::string CommandLineFile(const std::string& commandLine);
// What the desktop's mixer is told plays, from the title line: the title without the entry's
// number and without an empty side of "title - artist"; nothing for lines that are not a title
// (errors, "Buffering...").
std::optional<std::string> mediaTitleOf(const std::string& titleText);
// Every file or address a command line names: the double-quoted items at its start, one after
// another (text after them is ignored), or the whole text when it does not start with a quote.
// file: addresses become the paths they name.
std::vector<std::string> CommandLineItems(const std::string& commandLine);

class Player {
public:
    Player(PlayerState& state, const PlayerServices& services);
    ~Player();
    Player(const Player&) = delete;
    Player& operator=(const Player&) = delete;

    PlayerState& state() { return state_; }
    clsAudioDeviceSettings& audioDeviceSettings() { return deviceSettings_; }
    const PlayerServices& services() const { return services_; }
    // The effect object is made during start-up, after the player: it takes over the
    // playback-rate settings then.
    void setPlaybackRateControl(PlaybackRateControl* control);
    // The playlist's operations: adding, files, the next entry, the list window's rows.
    PlaylistController& playlist() { return *playlist_; }

    // Start-up and shutdown.
    void StartEngine();
    void CheckResult(FMOD_RESULT result);
    FMOD_RESULT CreateSoundFile(FMOD_SYSTEM system, const std::string& name, FMOD_MODE mode,
                                FMOD_SOUND* sound, FMOD_SOUND_TYPE suggestedType = 0);
    FMOD_RESULT CreateStreamFile(FMOD_SYSTEM system, const std::string& name, FMOD_MODE mode,
                                 FMOD_SOUND* sound);
    // The engine's part of closing: settings, notice, sound, library, video.
    void Shutdown();
    // The last step of closing, once the tray icon and the instance's name are given back: a
    // new player when the output device was changed.
    void RestartIfDeviceChanged();

    // Opening media.
    // Entry strings are taken by value: callers often pass a playlist slot that this rewrites.
    void OpenMedia(std::string entry);
    // Loads a video into the video window and makes it the entry at `index` (the list grows to
    // hold it). False when it cannot be played: the title line says why.
    bool OpenVideo(int32_t index, const std::string& path);
    void NetStreamService();
    // Lets go of the disc a stopped CD track was opened from, with the track, so that the drive
    // is free to open its tray. Nothing while a CD track is the current media (cdMode).
    void releaseStoppedDisc();

    // Transport.
    void TransportCommand(int command);
    void SeekTo(int32_t milliseconds);
    // Moves the position by `deltaMs` from where it is, within the entry (the keyboard's
    // seek); nothing for a network stream.
    void seekBy(int32_t deltaMs);
    void SetVolume(float level);
    void SetPan(float pan);
    void OpenFileDialog();
    // Seek buttons held down: runs the command again and again until the button is released
    // (released by SeekButtonUp from the window's event handling).
    void SeekButtonDown(int button);
    void SeekButtonUp();
    // Other buttons: pressed and released; the command runs only when released inside.
    void ButtonUp(int button, bool inside);
    void SetVolumeLevel(int32_t level);
    void SetPanPosition(int32_t position);
    void SeekBarReleased(int32_t targetMs);
    // The seek bar's knob taken and dragged: the tick stops moving it meanwhile.
    void seekDragStarted();
    void seekDragMoved(int32_t targetMs);
    // A non-seek button is held down until ButtonUp.
    void buttonDown();
    // Whatever button is held is let go without its command (the window closes): a seek
    // button's repeat loop ends.
    void releaseHeldButton();
    // A command from a menu: runs like a released button, without a button picture.
    void menuCommand(int command);
    // The volume level the skin's knob shows, taken without touching the channel.
    void takeVolumeLevel(int32_t level);

    // Loudness levelling. The mode (0 off, 1 track, 2 album; other values change nothing) and
    // the pre-amp (dB, kept within -15..15) take effect on the playing entry at once.
    void setReplayGain(int32_t mode, int32_t preAmpDb);
    // What the loudness scan measured, kept in the cache file in the settings folder; the
    // playing entry takes it up when it has no tags of its own.
    void takeLoudnessResults(const std::vector<LoudnessResult>& results);
    LoudnessCache& loudnessCache();
    // The playlist's local audio files the loudness scan can measure, in list order.
    std::vector<std::filesystem::path> loudnessScanFiles() const;

    // What the windows show of the sound. Whether the entry plays (a video: whether it runs),
    // and the analyzer's snapshots of the output, each library result through CheckResult. A
    // video's sound does not pass the sound library: its snapshots read as silence.
    bool isPlaying();
    int outputChannelCount();
    void getWaveData(std::span<float> values, int channel);
    void getSpectrum(std::span<float> values, int channel);

    // Command line and the tick. One item opens and plays; several join the playlist after its
    // rows and the first of them plays, so the others follow it.
    void OpenFromCommandLine(const std::string& text);
    void PlaybackTick();
    // True when ticks would change nothing until some event does: nothing plays, no video is
    // loaded, no stream is served and a stop holds the end-of-entry step. The window then lets
    // its timer rest until the next event of any kind.
    bool TickCanRest();

private:
    // What the levelling gain of a sound was worked out from.
    struct Loudness {
        std::string path;     // the entry's file, for the scan results
        FMOD_SOUND sound = 0; // the sound `values` were read for
        LoudnessValues values;
    };
    // The next entry, chosen by the end-of-entry rule a little before the current one ends and,
    // when it is a local audio file, opened and waiting in the sound library to begin on the
    // frame after the current one's last (gapless playback, "-Gapless").
    struct Upcoming {
        FMOD_CHANNEL after = 0; // the channel it follows
        NextAfterEnd choice;    // the rule's choice, random draw included, kept for the end
        // What the choice was made from: a change to any of it makes the choice stale.
        int32_t chosenAt = 0;
        uint8_t randomMode = 0;
        uint8_t loopMode = 0;
        std::string path;     // the entry that plays next; empty when nothing was readied
        FMOD_SOUND sound = 0; // opened and waiting on `channel`; 0 when left to OpenMedia
        FMOD_CHANNEL channel = 0;
        float copiedFrequency = 0.0f; // the current channel's, when its rate was copied
        Loudness loudness;            // its own levelling, read while it waits
    };
    // Run by the tick while the entry plays: chooses and readies the next entry once the end is
    // near, and keeps a waiting channel's levels and rate with the current one's.
    void readyNextEntry();
    // The end-of-entry step: carries out the choice made ahead (taking over the waiting
    // channel) or, without one, the rule itself.
    void finishEntry();
    // Forgets the choice made ahead and lets go of its sound, unheard.
    void cancelUpcoming();
    bool upcomingStale() const;
    // Opens `path` to wait after the current channel; false when it cannot be readied.
    bool readyUpcomingSound(Upcoming& next);
    void copyChannelSettingsTo(Upcoming& next);
    // What OpenMedia applies to a new channel: volume, pan, the playback rate and priority.
    void applyChannelSettings();

    bool channelPlaying();
    bool channelPaused();
    // The volume, and the channel's loudness-levelling gain before it.
    void applyVolume();
    void applyReplayGain();
    void reapplyPlaybackRate();
    void releaseCurrentSound();
    void playOnCurrentChannel();
    const PlaylistEntry* currentEntry() const;
    void setTitleForCurrentEntry(const std::string& entry, bool cdEntry);
    // Tells the sound library what plays when the title line names something new.
    void publishMediaTitle();
    // A missing file named by the user gets the library's answer in the title.
    void reportIfMissing(const std::string& file);

    // Until a full settings store is given, start-up reads the device part of the settings file.
    class DeviceSettingsOnly;
    // The player as the playlist sees it.
    class PlaylistSide;
    void adoptDirectPlaySound(FMOD_SOUND sound, FMOD_SOUND disc, PlaylistEntry& slot);
    std::unique_ptr<SettingsStore> ownSettings_;

    PlayerState& state_;
    PlayerServices services_;
    clsAudioDeviceSettings deviceSettings_;
    std::unique_ptr<NetCapture> netCapture_;
    std::unique_ptr<PlaylistSide> playlistSide_;
    std::unique_ptr<PlaylistController> playlist_;
    bool netOpened_ = false;
    std::optional<Upcoming> upcoming_;
    FMOD_CHANNEL readiedFor_ = 0;     // the channel whose next entry was chosen already
    Upcoming* handingOver_ = nullptr; // during the end step: what OpenMedia takes over
    bool currentFollowable_ = false;  // the current entry is one a next entry can follow
    std::string publishedTitleLine_;  // the title line the media title was last taken from
    std::optional<LoudnessCache> loudnessCache_; // read at its first use
    Loudness loudness_;                          // the playing entry's
};

} // namespace sorvel
