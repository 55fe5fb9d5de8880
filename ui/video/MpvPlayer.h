// One mpv player: loads a file, plays, pauses and seeks it, and keeps what its events say (the
// position, the end, the pause). Its picture is drawn by a VideoPicture through mpv's render
// API; its sound goes to mpv's own audio output. Commands run synchronously, so a value read
// after a command never predates it. UI thread only; mpv's wake-ups are handed to that thread.
#pragma once

#include <QImage>
#include <QObject>
#include <QSize>
#include <chrono>
#include <optional>
#include <string>

struct mpv_handle;
struct mpv_event;

namespace sorvel {

class MpvPlayer final : public QObject {
    Q_OBJECT
public:
    // `audioOutputs` is mpv's list of audio outputs to try ("pulse,alsa,null").
    explicit MpvPlayer(const std::string& audioOutputs, QObject* parent = nullptr);
    ~MpvPlayer() override;
    MpvPlayer(const MpvPlayer&) = delete;
    MpvPlayer& operator=(const MpvPlayer&) = delete;

    // False when mpv could not be started; nothing then loads.
    bool valid() const { return handle_ != nullptr; }
    mpv_handle* handle() const { return handle_; }
    void setAudioOutputs(const std::string& audioOutputs);

    // Loads `path` paused at its start and waits, at most `limit`, until its picture's size is
    // known. False when it cannot be played (failure() says why); nothing is loaded then.
    bool load(const std::string& path, std::chrono::milliseconds limit);
    void unload();
    bool loaded() const { return loaded_; }
    const std::string& failure() const { return failure_; }
    QSize nativeSize() const { return nativeSize_; }

    void setPaused(bool paused);
    bool paused() const { return paused_; }
    void seek(double seconds);
    // At the end (mpv keeps the last frame) the position is the duration.
    double position() const;
    double duration() const { return duration_; }
    bool atEnd() const { return atEnd_; }
    void setVolume(double percent);
    void setAudioFilter(const std::string& filter);

    // The frame shown now at the video's own size; nothing when there is none.
    std::optional<QImage> currentFrame();
    // A property as text, for the tests and the error texts ("" when it has none).
    std::string property(const char* name) const;

private:
    // Handles every event waiting; mpv asks for it through its wake-up callback.
    void drainEvents();
    void handleEvent(const mpv_event& event);

    mpv_handle* handle_ = nullptr;
    bool loaded_ = false;
    std::string failure_;
    QSize nativeSize_;
    double position_ = 0.0;
    // Set by a seek: mpv's first frame after it may sit a little after the target, and a
    // time-pos from before it may still be on its way; while paused the position stays the
    // target (a rewound video reads exactly 0, which the tick takes as "run it again").
    bool holdPosition_ = false;
    double duration_ = 0.0;
    bool paused_ = true;
    bool atEnd_ = false;

    // A load in progress: its entry in mpv's list and how far it got.
    struct Loading {
        int64_t entry = -1;
        bool fileLoaded = false;
        bool pictureKnown = false;
        bool failed = false;
    };
    std::optional<Loading> loading_;
    int64_t entry_ = -1; // mpv's list entry of the loaded file
};

} // namespace sorvel
