// The player as seen from the desktop bus: properties, methods and the notice, on a private
// session bus started for the test.
#include "MprisService.h"
#include "PlayerMediaControl.h"
#include "engine_fixture.h"
#include "fake_shell.h"
#include "file_uri.h"

#include <QDBusConnection>
#include <QDBusInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusReply>
#include <QDBusVariant>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <memory>
#include <string>

using namespace sorvel;

namespace {

struct FakeControl : MediaControl {
    std::vector<int> commands;
    std::vector<int64_t> seeks;
    int64_t position = 61000;
    int64_t length = 180000;
    bool playing = true;
    bool paused = false;
    double volume = 0.5;
    int loop = 0;
    bool shuffle = false;
    void TransportCommand(int command) override { commands.push_back(command); }
    void SeekTo(int64_t ms) override {
        seeks.push_back(ms);
        position = ms;
    }
    int64_t PositionMs() const override { return position; }
    int64_t LengthMs() const override { return length; }
    bool HasChannel() const override { return true; }
    bool Paused() const override { return paused; }
    bool Playing() const override { return playing; }
    double Volume() const override { return volume; }
    void SetVolume(double v) override { volume = v; }
    int LoopMode() const override { return loop; }
    void SetLoopMode(int mode) override { loop = mode; }
    bool Shuffle() const override { return shuffle; }
    void SetShuffle(bool on) override { shuffle = on; }
    int32_t CurrentIndex() const override { return 3; }
    std::string path;
    std::string album;
    std::string picture;
    std::vector<std::string> opened;
    int raises = 0;
    int quits = 0;
    std::string CurrentPath() const override { return path; }
    std::string CurrentAlbum() const override { return album; }
    std::string CurrentPicture() const override { return picture; }
    void OpenUri(const std::string& uri) override { opened.push_back(uri); }
    void Raise() override { ++raises; }
    void Quit() override { ++quits; }
};

// The metadata map as a desktop panel reads it.
QVariantMap metadataOf(const QVariant& property) {
    QVariantMap metadata;
    property.value<QDBusArgument>() >> metadata;
    return metadata;
}

// A dbus-daemon of our own, gone when the test ends.
class PrivateBus {
public:
    PrivateBus() {
        FILE* out = ::popen("dbus-daemon --session --fork --print-address=1 --print-pid=1 "
                            "2>/dev/null",
                            "r");
        if (out == nullptr) {
            return;
        }
        char line[512];
        if (std::fgets(line, sizeof line, out)) {
            address_ = line;
            while (!address_.empty() && (address_.back() == '\n' || address_.back() == '\r')) {
                address_.pop_back();
            }
        }
        if (std::fgets(line, sizeof line, out)) {
            pid_ = std::atoi(line);
        }
        ::pclose(out);
    }
    ~PrivateBus() {
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
        }
    }
    const std::string& address() const { return address_; }

private:
    std::string address_;
    int pid_ = 0;
};

// Our service and a client on a private bus, with the calls a desktop panel makes.
class BusSides {
protected:
    // False when no bus could be started.
    bool connect(const char* name) {
        if (bus.address().empty()) {
            return false;
        }
        static int n = 0;
        ++n;
        const QString address = QString::fromStdString(bus.address());
        serviceBus = std::make_unique<QDBusConnection>(QDBusConnection::connectToBus(
            address, QStringLiteral("%1-service%2").arg(name).arg(n)));
        clientBus = std::make_unique<QDBusConnection>(
            QDBusConnection::connectToBus(address, QStringLiteral("%1-client%2").arg(name).arg(n)));
        return serviceBus->isConnected() && clientBus->isConnected();
    }

    // Calls on our own service must let its event loop run while waiting.
    QDBusMessage call(const QString& interface, const QString& method,
                      const QList<QVariant>& arguments = {}) {
        QDBusMessage message = QDBusMessage::createMethodCall(
            QStringLiteral("org.mpris.MediaPlayer2.sorvel"),
            QStringLiteral("/org/mpris/MediaPlayer2"), interface, method);
        message.setArguments(arguments);
        return clientBus->call(message, QDBus::BlockWithGui, 5000);
    }
    QVariant property(const QString& interface, const QString& name) {
        const QDBusMessage reply = call(QStringLiteral("org.freedesktop.DBus.Properties"),
                                        QStringLiteral("Get"), {interface, name});
        if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
            return {};
        }
        return reply.arguments().first().value<QDBusVariant>().variant();
    }
    QVariant playerProperty(const QString& name) { return property(player, name); }
    void setProperty(const QString& name, const QVariant& value) {
        call(QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Set"),
             {player, name, QVariant::fromValue(QDBusVariant(value))});
    }
    void seekBy(qlonglong microseconds) {
        call(player, QStringLiteral("Seek"), {QVariant::fromValue(microseconds)});
    }

    static inline const QString root = QStringLiteral("org.mpris.MediaPlayer2");
    static inline const QString player = QStringLiteral("org.mpris.MediaPlayer2.Player");
    PrivateBus bus;
    std::unique_ptr<QDBusConnection> serviceBus, clientBus;
};

class Mpris : public ::testing::Test, protected BusSides {
protected:
    void SetUp() override {
        if (!connect("fake")) {
            GTEST_SKIP() << "dbus-daemon is not available";
        }
        options =
            std::make_unique<clsOption>(shell, "/opt/sorvel/sorvel", [] { return std::string(); });
        artFolder = testmedia::mediaDir() / ("art" + std::to_string(++folders));
        service = std::make_unique<MprisService>(
            *serviceBus, control, *options, [this] { return video; }, artFolder);
        ASSERT_TRUE(service->registered());
    }

    settingstest::FakeShell shell;
    FakeControl control;
    bool video = false;
    std::filesystem::path artFolder;
    static inline int folders = 0;
    std::unique_ptr<clsOption> options;
    std::unique_ptr<MprisService> service;
};

// The service on a real engine, as the program wires it.
class MprisOnPlayer : public enginetest::EngineTest, protected BusSides {
protected:
    using EngineTest::player;

    void SetUp() override {
        EngineTest::SetUp();
        if (!connect("player")) {
            GTEST_SKIP() << "dbus-daemon is not available";
        }
        options =
            std::make_unique<clsOption>(shell, "/opt/sorvel/sorvel", [] { return std::string(); });
        control = std::make_unique<PlayerMediaControl>(*player);
        service = std::make_unique<MprisService>(
            *serviceBus, *control, *options, [this] { return state.isVideo; },
            state.programFolder / "art");
        ASSERT_TRUE(service->registered());
    }

    settingstest::FakeShell shell;
    std::unique_ptr<clsOption> options;
    std::unique_ptr<PlayerMediaControl> control;
    std::unique_ptr<MprisService> service;
};

TEST_F(Mpris, NowPlayingNoticeBecomesMetadataAndStatus) {
    EXPECT_EQ(property(root, QStringLiteral("Identity")).toString(), QStringLiteral("Sorvel"));
    service->Send_Messenger("3. Song - Artist", 1);
    EXPECT_EQ(service->lastNotice(), "Sorvel\\0Music\\00\\03. Song - Artist\\0");
    EXPECT_EQ(property(player, QStringLiteral("PlaybackStatus")).toString(),
              QStringLiteral("Playing"));
    const QDBusArgument metadataArgument =
        property(player, QStringLiteral("Metadata")).value<QDBusArgument>();
    QVariantMap metadata;
    metadataArgument >> metadata;
    EXPECT_EQ(metadata.value(QStringLiteral("xesam:title")).toString(), QStringLiteral("Song"));
    EXPECT_EQ(metadata.value(QStringLiteral("xesam:artist")).toStringList(),
              QStringList{QStringLiteral("Artist")});
    EXPECT_EQ(metadata.value(QStringLiteral("mpris:length")).toLongLong(), 180000000LL);
    EXPECT_EQ(property(player, QStringLiteral("Position")).toLongLong(), 61000000LL);

    control.paused = true;
    service->Send_Messenger("3. Song - Artist", 0);
    EXPECT_EQ(property(player, QStringLiteral("PlaybackStatus")).toString(),
              QStringLiteral("Paused"));
    // An empty notice clears what the desktop shows.
    service->Send_Messenger("", 0);
    const QDBusArgument cleared =
        property(player, QStringLiteral("Metadata")).value<QDBusArgument>();
    QVariantMap empty;
    cleared >> empty;
    EXPECT_TRUE(empty.isEmpty());
}

TEST_F(Mpris, MethodsDriveTheTransport) {
    call(player, QStringLiteral("PlayPause"));
    call(player, QStringLiteral("Play")); // playing and not paused: nothing to do
    call(player, QStringLiteral("Pause"));
    call(player, QStringLiteral("Stop"));
    call(player, QStringLiteral("Next"));
    call(player, QStringLiteral("Previous"));
    EXPECT_EQ(control.commands, (std::vector<int>{2, 3, 4, 6, 0}));

    call(player, QStringLiteral("Seek"), {QVariant::fromValue(qlonglong(-5000000))});
    EXPECT_EQ(control.seeks.back(), 56000);
    call(player, QStringLiteral("SetPosition"),
         {QVariant::fromValue(QDBusObjectPath(QStringLiteral("/org/sorvel/track/3"))),
          QVariant::fromValue(qlonglong(90000000))});
    EXPECT_EQ(control.seeks.back(), 90000);
    // Another track's id is ignored.
    call(player, QStringLiteral("SetPosition"),
         {QVariant::fromValue(QDBusObjectPath(QStringLiteral("/org/sorvel/track/9"))),
          QVariant::fromValue(qlonglong(1000000))});
    EXPECT_EQ(control.seeks.size(), 2u);
}

TEST_F(Mpris, WritablePropertiesReachThePlayer) {
    setProperty(QStringLiteral("Volume"), 0.8);
    EXPECT_DOUBLE_EQ(control.volume, 0.8);
    setProperty(QStringLiteral("LoopStatus"), QStringLiteral("Playlist"));
    EXPECT_EQ(control.loop, 2);
    setProperty(QStringLiteral("Shuffle"), true);
    EXPECT_TRUE(control.shuffle);
    EXPECT_EQ(property(player, QStringLiteral("LoopStatus")).toString(),
              QStringLiteral("Playlist"));
    EXPECT_TRUE(playerProperty(QStringLiteral("Shuffle")).toBool());
    EXPECT_DOUBLE_EQ(playerProperty(QStringLiteral("Volume")).toDouble(), 0.8);

    // A volume out of range is held at the ends.
    setProperty(QStringLiteral("Volume"), 1.5);
    EXPECT_DOUBLE_EQ(control.volume, 1.0);
    setProperty(QStringLiteral("Volume"), -0.5);
    EXPECT_DOUBLE_EQ(control.volume, 0.0);

    // Changes made on the player's side are what the bus reads next.
    control.shuffle = false;
    control.volume = 0.3;
    control.loop = 1;
    EXPECT_FALSE(playerProperty(QStringLiteral("Shuffle")).toBool());
    EXPECT_DOUBLE_EQ(playerProperty(QStringLiteral("Volume")).toDouble(), 0.3);
    EXPECT_EQ(playerProperty(QStringLiteral("LoopStatus")).toString(), QStringLiteral("Track"));
}

TEST_F(Mpris, MetadataNamesTheAlbumTheAddressAndTheCover) {
    const std::filesystem::path folder = testmedia::mediaDir() / "mpris-cover";
    std::filesystem::create_directories(folder);
    std::ofstream(folder / "Folder.JPG") << "jpeg";
    control.path = (folder / "a song.mp3").string();
    control.album = "Record";
    service->Send_Messenger("1. Song - Artist", 1);
    QVariantMap metadata = metadataOf(property(player, QStringLiteral("Metadata")));
    EXPECT_EQ(metadata.value(QStringLiteral("xesam:album")).toString(), QStringLiteral("Record"));
    EXPECT_EQ(metadata.value(QStringLiteral("xesam:url")).toString(),
              QString::fromStdString(fileUriFromPath(control.path)));
    EXPECT_EQ(metadata.value(QStringLiteral("mpris:artUrl")).toString(),
              QString::fromStdString(fileUriFromPath((folder / "Folder.JPG").string())));

    // An embedded picture wins, written to the cache under a name of its own; the one before
    // is removed.
    control.picture = "\x89PNG first";
    service->Send_Messenger("2. Other - Artist", 1);
    control.picture = "\x89PNG second";
    service->Send_Messenger("3. Third - Artist", 1);
    metadata = metadataOf(property(player, QStringLiteral("Metadata")));
    const auto art = localPathFromFileUri(
        metadata.value(QStringLiteral("mpris:artUrl")).toString().toStdString());
    ASSERT_TRUE(art.has_value());
    EXPECT_EQ(std::filesystem::path(*art).parent_path(), artFolder);
    EXPECT_EQ(std::filesystem::path(*art).extension(), ".png");
    EXPECT_EQ(enginetest::readAll(*art), "\x89PNG second");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(artFolder), {}), 1);

    // A stream has its address and no picture; no album is no key.
    control.path = "http://radio.invalid/live";
    control.album.clear();
    control.picture.clear();
    service->Send_Messenger("4. Live - Radio", 1);
    metadata = metadataOf(property(player, QStringLiteral("Metadata")));
    EXPECT_EQ(metadata.value(QStringLiteral("xesam:url")).toString(),
              QStringLiteral("http://radio.invalid/live"));
    EXPECT_FALSE(metadata.contains(QStringLiteral("mpris:artUrl")));
    EXPECT_FALSE(metadata.contains(QStringLiteral("xesam:album")));
}

TEST_F(Mpris, RaiseQuitAndOpenUriReachThePlayer) {
    EXPECT_TRUE(property(root, QStringLiteral("CanRaise")).toBool());
    EXPECT_TRUE(property(root, QStringLiteral("CanQuit")).toBool());
    EXPECT_EQ(property(root, QStringLiteral("DesktopEntry")).toString(), QStringLiteral("sorvel"));
    call(root, QStringLiteral("Raise"));
    call(root, QStringLiteral("Quit"));
    EXPECT_EQ(control.raises, 1);
    EXPECT_EQ(control.quits, 1);
    for (const char* uri : {"file:///music/a%20b.mp3", "http://radio.invalid/", "ftp://x/a.mp3",
                            "smb://server/a.mp3", "javascript:alert(1)"}) {
        call(player, QStringLiteral("OpenUri"), {QString::fromLatin1(uri)});
    }
    EXPECT_EQ(control.opened, (std::vector<std::string>{"file:///music/a%20b.mp3",
                                                        "http://radio.invalid/", "ftp://x/a.mp3"}));
}

TEST_F(Mpris, SeekPastTheEndAsksForTheNextEntry) {
    seekBy(200000000); // 200 s on a 180 s track
    EXPECT_EQ(control.commands, (std::vector<int>{6}));
    EXPECT_TRUE(control.seeks.empty());
    // Up to the end is still a seek.
    control.position = 170000;
    seekBy(10000000);
    EXPECT_EQ(control.seeks, (std::vector<int64_t>{180000}));
    EXPECT_EQ(control.commands.size(), 1u);
}

TEST_F(MprisOnPlayer, ShuffleVolumeAndLoopReadBackBothWays) {
    setProperty(QStringLiteral("Shuffle"), true);
    EXPECT_EQ(state.randomMode, 255);
    EXPECT_TRUE(playerProperty(QStringLiteral("Shuffle")).toBool());
    player->playlist().ToggleRandom();
    EXPECT_FALSE(playerProperty(QStringLiteral("Shuffle")).toBool());

    // The bus volume is the player's level over ten.
    setProperty(QStringLiteral("Volume"), 0.8);
    EXPECT_EQ(state.volumeLevel, 8);
    EXPECT_DOUBLE_EQ(playerProperty(QStringLiteral("Volume")).toDouble(), 0.8);
    player->SetVolumeLevel(3);
    EXPECT_DOUBLE_EQ(playerProperty(QStringLiteral("Volume")).toDouble(), 0.3);

    const QString loop = QStringLiteral("LoopStatus");
    setProperty(loop, QStringLiteral("Track"));
    EXPECT_EQ(state.loopMode, 1);
    EXPECT_EQ(playerProperty(loop).toString(), QStringLiteral("Track"));
    player->playlist().CycleLoopMode();
    EXPECT_EQ(playerProperty(loop).toString(), QStringLiteral("Playlist"));
    player->playlist().CycleLoopMode();
    EXPECT_EQ(playerProperty(loop).toString(), QStringLiteral("None"));
    setProperty(loop, QStringLiteral("Playlist"));
    EXPECT_EQ(state.loopMode, 2);
    setProperty(loop, QStringLiteral("None"));
    EXPECT_EQ(state.loopMode, 0);
}

TEST_F(MprisOnPlayer, SeekPastTheEndPlaysTheNextEntry) {
    const auto first = testmedia::makeTone("mpris1.wav", 400, 1.0);
    const auto second = testmedia::makeTone("mpris2.wav", 500, 1.0);
    addToList({first, second});
    player->playlist().PlayEntryAt(1);
    ASSERT_EQ(state.currentIndex, 1);
    seekBy(5000000);
    EXPECT_EQ(state.currentIndex, 2);
    EXPECT_EQ(state.titleText, "2. " + second.filename().string());
    EXPECT_FALSE(state.stoppedFlag);
}

TEST_F(MprisOnPlayer, AlbumAddressAndEmbeddedCoverOfWhatPlaysAndOpenUriPlaysAFile) {
    const std::filesystem::path picture = testmedia::mediaDir() / "mpris-cover.png";
    ASSERT_TRUE(testmedia::run("ffmpeg -hide_banner -loglevel error -y -nostdin -f lavfi -i "
                               "color=c=blue:s=8x8 -frames:v 1 " +
                               picture.string()));
    const auto tagged =
        testmedia::makeTaggedTone("mpris-tagged.mp3", 440, 1.0, "Song", "Singer", "Record");
    const auto covered = testmedia::withCoverPicture(tagged, picture, "mpris covered.mp3");
    ASSERT_FALSE(covered.empty());
    call(BusSides::player, QStringLiteral("OpenUri"),
         {QString::fromStdString(fileUriFromPath(covered.string()))});
    EXPECT_EQ(state.playlistEntries[0].path, covered.string());
    EXPECT_NE(state.currentChannel, 0u);
    service->Send_Messenger(state.titleText, 1);
    const QVariantMap metadata = metadataOf(property(BusSides::player, QStringLiteral("Metadata")));
    EXPECT_EQ(metadata.value(QStringLiteral("xesam:title")).toString(), QStringLiteral("Song"));
    EXPECT_EQ(metadata.value(QStringLiteral("xesam:album")).toString(), QStringLiteral("Record"));
    EXPECT_EQ(metadata.value(QStringLiteral("xesam:url")).toString(),
              QString::fromStdString(fileUriFromPath(covered.string())));
    const auto art = localPathFromFileUri(
        metadata.value(QStringLiteral("mpris:artUrl")).toString().toStdString());
    ASSERT_TRUE(art.has_value());
    EXPECT_EQ(enginetest::readAll(*art), enginetest::readAll(picture));
}

TEST(MprisWithoutBus, NoticesAreDroppedSilently) {
    settingstest::FakeShell shell;
    FakeControl control;
    clsOption options(shell, "/opt/sorvel/sorvel", [] { return std::string(); });
    MprisService service(QDBusConnection(QStringLiteral("never-connected")), control, options,
                         [] { return false; });
    EXPECT_FALSE(service.registered());
    options.MessengerOn(1);
    service.Send_Messenger("1. A - B", 1);
    EXPECT_EQ(service.lastNotice(), "Sorvel\\0Music\\01\\01. A - B\\0");
}

} // namespace
