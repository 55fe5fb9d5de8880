// The now-playing notice delivered to the desktop as an MPRIS media player on the session bus,
// and desktop media keys and panels controlling the player through it.
//
// UI thread only; incoming calls arrive through the Qt event loop. Without a session bus every
// notice is dropped silently.
#pragma once

#include "MediaControl.h"
#include "PlayerServices.h"
#include "clsOption.h"

#include <QDBusConnection>
#include <QObject>
#include <QVariantMap>
#include <filesystem>
#include <functional>
#include <string>

namespace sorvel {

class MprisService final : public QObject, public NowPlayingNotifier {
    Q_OBJECT
public:
    // `isVideo` tells whether the current media is a video (the notice flag is then 0).
    // Embedded cover pictures are written to `artFolder` ($XDG_CACHE_HOME/sorvel/art when
    // empty) for the desktop to read.
    MprisService(QDBusConnection connection, MediaControl& control, const clsOption& options,
                 std::function<bool()> isVideo, std::filesystem::path artFolder = {},
                 QObject* parent = nullptr);
    ~MprisService() override;

    bool registered() const { return registered_; }
    // The last notice text built (what a messenger would have received).
    const std::string& lastNotice() const { return lastNotice_; }

    void Send_Messenger(const std::string& text, int playing) override;

    // For the adaptors.
    MediaControl& control() { return control_; }
    QString playbackStatus() const;
    QVariantMap metadata() const;
    void emitPropertiesChanged(const QVariantMap& changed);
    void emitSeeked(qlonglong positionUs);

private:
    QDBusConnection connection_;
    MediaControl& control_;
    const clsOption& options_;
    std::function<bool()> isVideo_;
    std::filesystem::path artFolder_;
    bool registered_ = false;
    std::string lastNotice_;
    // What lastNotice_ was built from.
    struct NoticeInputs {
        bool messengerOn = false, playing = false, video = false;
        bool operator==(const NoticeInputs&) const = default;
    };
    bool noticeBuilt_ = false;
    NoticeInputs noticeInputs_;
    std::string noticeText_;
    std::string title_;
    QString status_ = QStringLiteral("Stopped");
    QVariantMap metadata_;
    int loopMode_ = -1;
    bool shuffle_ = false;
    double volume_ = -1.0;
};

} // namespace sorvel
