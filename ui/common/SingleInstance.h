// One player per user: the running player listens on a local socket named after
// "Media Player Sorvel|Form1" and the user; a second start hands its command line over to it.
// Plain Unix-domain sockets watched by the event loop: Qt's network module, with its Kerberos
// and proxy libraries, would otherwise be loaded by every player for this alone.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QSocketNotifier>
#include <QString>
#include <QTimer>
#include <map>
#include <memory>

namespace sorvel {

class SingleInstance final : public QObject {
    Q_OBJECT
public:
    // The socket's name: the topic and the user, inside $XDG_RUNTIME_DIR when that is set (so
    // each login session, and each test, has its own), else in the temporary folder.
    static QString serverName();
    // True when a player answers on `name`.
    static bool otherInstanceRunning(const QString& name);
    // Sends the command line to the player on `name`; false when no one took it.
    static bool handOver(const QString& name, const QString& commandLine);

    explicit SingleInstance(QString name, QObject* parent = nullptr);
    ~SingleInstance() override;
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // Starts listening. A name left behind by a player that died is taken over; one still held
    // by a closing player (the restart after a device change) is tried again for a while.
    void listen();
    bool listening() const { return listener_ >= 0; }
    void close();

signals:
    void commandLineReceived(const QString& commandLine);

private:
    // A sender, until its line has arrived and been answered.
    struct Connection {
        std::unique_ptr<QSocketNotifier> readable;
        QByteArray received;
    };

    bool bindAndListen();
    void tryListen();
    void acceptConnections();
    void readFrom(int socket);
    void drop(int socket);

    QString name_;
    int listener_ = -1;
    std::unique_ptr<QSocketNotifier> incoming_;
    std::map<int, Connection> connections_;
    QTimer retry_;
    int attemptsLeft_ = 40;
};

} // namespace sorvel
