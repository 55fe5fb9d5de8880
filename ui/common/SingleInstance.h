// One player per user: the running player listens on a local socket named after
// "Media Player Sorvel|Form1" and the user; a second start hands its command line over to it.
#pragma once

#include <QLocalServer>
#include <QObject>
#include <QString>
#include <QTimer>

namespace sorvel {

class SingleInstance final : public QObject {
    Q_OBJECT
public:
    // The socket's name: the topic and the user, inside $XDG_RUNTIME_DIR when that is set (so
    // each login session, and each test, has its own), else in Qt's default place.
    static QString serverName();
    // True when a player answers on `name`.
    static bool otherInstanceRunning(const QString& name);
    // Sends the command line to the player on `name`; false when no one took it.
    static bool handOver(const QString& name, const QString& commandLine);

    explicit SingleInstance(QString name, QObject* parent = nullptr);
    // Starts listening. A name left behind by a player that died is taken over; one still held
    // by a closing player (the restart after a device change) is tried again for a while.
    void listen();
    bool listening() const { return server_.isListening(); }
    void close();

signals:
    void commandLineReceived(const QString& commandLine);

private:
    void tryListen();
    void acceptConnections();

    QString name_;
    QLocalServer server_;
    QTimer retry_;
    int attemptsLeft_ = 40;
};

} // namespace sorvel
