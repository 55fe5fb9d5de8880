#include "MprisService.h"

#include "MessengerNotice.h"
#include "cover_art.h"
#include "file_uri.h"
#include "xdg_folders.h"

#include <QDBusAbstractAdaptor>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QStringList>
#include <algorithm>
#include <cmath>

namespace sorvel {
namespace {

const QString kObjectPath = QStringLiteral("/org/mpris/MediaPlayer2");
const QString kServiceName = QStringLiteral("org.mpris.MediaPlayer2.sorvel");
const QString kPlayerInterface = QStringLiteral("org.mpris.MediaPlayer2.Player");

// Transport command numbers of the main window's buttons.
constexpr int kBack = 0, kPlay = 2, kPause = 3, kStop = 4, kNext = 6;

QString loopStatusFor(int mode) {
    switch (mode) {
    case 1:
        return QStringLiteral("Track");
    case 2:
        return QStringLiteral("Playlist");
    default:
        return QStringLiteral("None");
    }
}

// Files (as file: addresses or absolute paths) and the addresses the player streams.
bool isOpenableUri(const QString& uri) {
    return uri.startsWith(QLatin1String("file:"), Qt::CaseInsensitive) ||
           uri.startsWith(QLatin1Char('/')) || uri.startsWith(QLatin1String("http://")) ||
           uri.startsWith(QLatin1String("ftp://"));
}

// What xesam:url says of an entry: a file's address, or the address itself.
QString entryUrl(const std::string& entry) {
    if (entry.empty() || entry.find("://") != std::string::npos || entry.rfind("cd:", 0) == 0) {
        return QString::fromStdString(entry);
    }
    return QString::fromStdString(fileUriFromPath(entry));
}

QDBusObjectPath trackId(int32_t index) {
    return QDBusObjectPath(QStringLiteral("/org/sorvel/track/%1").arg(std::max(0, index)));
}

} // namespace

// org.mpris.MediaPlayer2
class MprisRootAdaptor final : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2")
    Q_PROPERTY(bool CanQuit READ canQuit)
    Q_PROPERTY(bool CanRaise READ canRaise)
    Q_PROPERTY(bool HasTrackList READ hasTrackList)
    Q_PROPERTY(QString Identity READ identity)
    Q_PROPERTY(QString DesktopEntry READ desktopEntry)
    Q_PROPERTY(QStringList SupportedUriSchemes READ uriSchemes)
    Q_PROPERTY(QStringList SupportedMimeTypes READ mimeTypes)
public:
    explicit MprisRootAdaptor(MprisService* service)
        : QDBusAbstractAdaptor(service), service_(service) {}
    bool canQuit() const { return true; }
    bool canRaise() const { return true; }
    bool hasTrackList() const { return false; }
    QString identity() const { return QStringLiteral("Sorvel"); }
    QString desktopEntry() const { return QStringLiteral("sorvel"); }
    QStringList uriSchemes() const {
        return {QStringLiteral("file"), QStringLiteral("http"), QStringLiteral("ftp")};
    }
    QStringList mimeTypes() const {
        return {QStringLiteral("audio/mpeg"), QStringLiteral("audio/x-wav"),
                QStringLiteral("audio/ogg"),  QStringLiteral("audio/flac"),
                QStringLiteral("audio/midi"), QStringLiteral("audio/x-ms-wma")};
    }
public slots:
    void Raise() { service_->control().Raise(); }
    void Quit() { service_->control().Quit(); }

private:
    MprisService* service_;
};

// org.mpris.MediaPlayer2.Player
class MprisPlayerAdaptor final : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2.Player")
    Q_PROPERTY(QString PlaybackStatus READ playbackStatus)
    Q_PROPERTY(QString LoopStatus READ loopStatus WRITE setLoopStatus)
    Q_PROPERTY(double Rate READ rate WRITE setRate)
    Q_PROPERTY(bool Shuffle READ shuffle WRITE setShuffle)
    Q_PROPERTY(QVariantMap Metadata READ metadata)
    Q_PROPERTY(double Volume READ volume WRITE setVolume)
    Q_PROPERTY(qlonglong Position READ position)
    Q_PROPERTY(double MinimumRate READ rate)
    Q_PROPERTY(double MaximumRate READ rate)
    Q_PROPERTY(bool CanGoNext READ yes)
    Q_PROPERTY(bool CanGoPrevious READ yes)
    Q_PROPERTY(bool CanPlay READ yes)
    Q_PROPERTY(bool CanPause READ yes)
    Q_PROPERTY(bool CanSeek READ yes)
    Q_PROPERTY(bool CanControl READ yes)
public:
    explicit MprisPlayerAdaptor(MprisService* service)
        : QDBusAbstractAdaptor(service), service_(service) {}

    QString playbackStatus() const { return service_->playbackStatus(); }
    QString loopStatus() const { return loopStatusFor(control().LoopMode()); }
    void setLoopStatus(const QString& status) {
        control().SetLoopMode(status == QLatin1String("Track")      ? 1
                              : status == QLatin1String("Playlist") ? 2
                                                                    : 0);
    }
    double rate() const { return 1.0; }
    void setRate(double) {}
    bool shuffle() const { return control().Shuffle(); }
    void setShuffle(bool on) { control().SetShuffle(on); }
    QVariantMap metadata() const { return service_->metadata(); }
    double volume() const { return control().Volume(); }
    void setVolume(double volume) { control().SetVolume(std::clamp(volume, 0.0, 1.0)); }
    qlonglong position() const { return control().PositionMs() * 1000; }
    bool yes() const { return true; }

public slots:
    void Next() { control().TransportCommand(kNext); }
    void Previous() { control().TransportCommand(kBack); }
    void Pause() {
        if (control().Playing() && !control().Paused()) {
            control().TransportCommand(kPause);
        }
    }
    // The player's Play button pauses what plays, so it is pressed only when that is wanted.
    void PlayPause() { control().TransportCommand(kPlay); }
    void Play() {
        if (!control().Playing() || control().Paused()) {
            control().TransportCommand(kPlay);
        }
    }
    void Stop() { control().TransportCommand(kStop); }
    void Seek(qlonglong offsetUs) {
        const int64_t length = control().LengthMs();
        int64_t target = control().PositionMs() + offsetUs / 1000;
        if (target < 0) {
            target = 0;
        }
        if (length > 0 && target > length) {
            control().TransportCommand(kNext);
            return;
        }
        control().SeekTo(target);
        service_->emitSeeked(target * 1000);
    }
    void SetPosition(const QDBusObjectPath& track, qlonglong positionUs) {
        const int64_t length = control().LengthMs();
        if (track != trackId(control().CurrentIndex()) || positionUs < 0 ||
            (length > 0 && positionUs / 1000 > length)) {
            return;
        }
        control().SeekTo(positionUs / 1000);
        service_->emitSeeked(positionUs);
    }
    void OpenUri(const QString& uri) {
        if (isOpenableUri(uri)) {
            control().OpenUri(uri.toStdString());
        }
    }

signals:
    void Seeked(qlonglong position);

private:
    MediaControl& control() const { return service_->control(); }
    MprisService* service_;
    friend class MprisService;
};

MprisService::MprisService(QDBusConnection connection, MediaControl& control,
                           const clsOption& options, std::function<bool()> isVideo,
                           std::filesystem::path artFolder, QObject* parent)
    : QObject(parent), connection_(std::move(connection)), control_(control), options_(options),
      isVideo_(std::move(isVideo)),
      artFolder_(artFolder.empty() ? xdgCacheHome() / "sorvel" / "art" : std::move(artFolder)) {
    new MprisRootAdaptor(this);
    new MprisPlayerAdaptor(this);
    if (connection_.isConnected() &&
        connection_.registerObject(kObjectPath, this, QDBusConnection::ExportAdaptors)) {
        registered_ = connection_.registerService(kServiceName);
    }
}

MprisService::~MprisService() {
    if (registered_) {
        connection_.unregisterService(kServiceName);
        connection_.unregisterObject(kObjectPath);
    }
}

QString MprisService::playbackStatus() const {
    return status_;
}

QVariantMap MprisService::metadata() const {
    return metadata_;
}

void MprisService::emitPropertiesChanged(const QVariantMap& changed) {
    if (!registered_ || changed.isEmpty()) {
        return;
    }
    QDBusMessage signal =
        QDBusMessage::createSignal(kObjectPath, QStringLiteral("org.freedesktop.DBus.Properties"),
                                   QStringLiteral("PropertiesChanged"));
    signal << kPlayerInterface << changed << QStringList();
    connection_.send(signal);
}

void MprisService::emitSeeked(qlonglong positionUs) {
    if (auto* player = findChild<MprisPlayerAdaptor*>()) {
        emit player->Seeked(positionUs);
    }
}

void MprisService::Send_Messenger(const std::string& text, int playing) {
    const bool video = isVideo_ ? isVideo_() : false;
    // Built again only when something it shows changed: the tick sends the same notice
    // several times a second.
    const NoticeInputs inputs{options_.MessengerOn() != 0, playing != 0, video};
    if (!noticeBuilt_ || inputs != noticeInputs_ || text != noticeText_) {
        lastNotice_ = MessengerNoticeText(text, inputs.messengerOn, inputs.playing, inputs.video);
        noticeInputs_ = inputs;
        noticeText_ = text;
        noticeBuilt_ = true;
    }
    if (!registered_) {
        return;
    }
    QVariantMap changed;
    if (text != title_ || (text.empty() && !metadata_.isEmpty())) {
        title_ = text;
        QVariantMap metadata;
        if (!text.empty()) {
            const TitleParts parts = SplitNowPlayingTitle(text);
            metadata.insert(QStringLiteral("mpris:trackid"),
                            QVariant::fromValue(trackId(control_.CurrentIndex())));
            metadata.insert(QStringLiteral("xesam:title"), QString::fromStdString(parts.title));
            if (!parts.artist.empty()) {
                metadata.insert(QStringLiteral("xesam:artist"),
                                QStringList{QString::fromStdString(parts.artist)});
            }
            if (control_.LengthMs() > 0) {
                metadata.insert(QStringLiteral("mpris:length"),
                                static_cast<qlonglong>(control_.LengthMs() * 1000));
            }
            if (const std::string album = control_.CurrentAlbum(); !album.empty()) {
                metadata.insert(QStringLiteral("xesam:album"), QString::fromStdString(album));
            }
            const std::string entry = control_.CurrentPath();
            if (!entry.empty()) {
                metadata.insert(QStringLiteral("xesam:url"), entryUrl(entry));
            }
            if (const auto art = coverArtFile(entry, control_.CurrentPicture(), artFolder_)) {
                metadata.insert(QStringLiteral("mpris:artUrl"),
                                QString::fromStdString(fileUriFromPath(art->string())));
            }
        }
        metadata_ = metadata;
        changed.insert(QStringLiteral("Metadata"), metadata_);
    }
    const QString status = playing != 0 && !control_.Paused()           ? QStringLiteral("Playing")
                           : control_.HasChannel() && control_.Paused() ? QStringLiteral("Paused")
                                                                        : QStringLiteral("Stopped");
    if (status != status_) {
        status_ = status;
        changed.insert(QStringLiteral("PlaybackStatus"), status_);
    }
    if (control_.LoopMode() != loopMode_) {
        loopMode_ = control_.LoopMode();
        changed.insert(QStringLiteral("LoopStatus"), loopStatusFor(loopMode_));
    }
    if (control_.Shuffle() != shuffle_) {
        shuffle_ = control_.Shuffle();
        changed.insert(QStringLiteral("Shuffle"), shuffle_);
    }
    if (std::abs(control_.Volume() - volume_) > 1e-9) {
        volume_ = control_.Volume();
        changed.insert(QStringLiteral("Volume"), volume_);
    }
    emitPropertiesChanged(changed);
}

} // namespace sorvel

#include "MprisService.moc"
