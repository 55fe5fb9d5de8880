// The player as seen from the desktop bus: properties, methods and the notice, on a private
// session bus started for the test.
#include "MprisService.h"

#include <QDBusConnection>
#include <QDBusInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusReply>
#include <QDBusVariant>
#include <csignal>
#include <cstdio>
#include "fake_shell.h"

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
};


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

class Mpris : public ::testing::Test {
protected:
    void SetUp() override {
        if (bus.address().empty()) {
            GTEST_SKIP() << "dbus-daemon is not available";
        }
        static int n = 0;
        const QString address = QString::fromStdString(bus.address());
        serviceBus = std::make_unique<QDBusConnection>(
            QDBusConnection::connectToBus(address, QStringLiteral("service%1").arg(++n)));
        clientBus = std::make_unique<QDBusConnection>(
            QDBusConnection::connectToBus(address, QStringLiteral("client%1").arg(n)));
        ASSERT_TRUE(serviceBus->isConnected());
        options =
            std::make_unique<clsOption>(shell, "/opt/sorvel/sorvel", [] { return std::string(); });
        service = std::make_unique<MprisService>(*serviceBus, control, *options,
                                                 [this] { return video; });
        ASSERT_TRUE(service->registered());
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
    void setProperty(const QString& name, const QVariant& value) {
        call(QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Set"),
             {player, name, QVariant::fromValue(QDBusVariant(value))});
    }

    static inline const QString root = QStringLiteral("org.mpris.MediaPlayer2");
    static inline const QString player = QStringLiteral("org.mpris.MediaPlayer2.Player");
    PrivateBus bus;
    std::unique_ptr<QDBusConnection> serviceBus, clientBus;
    settingstest::FakeShell shell;
    FakeControl control;
    bool video = false;
    std::unique_ptr<clsOption> options;
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
