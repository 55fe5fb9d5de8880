#include "SingleInstance.h"

#include <QDir>
#include <QLocalSocket>
#include <QPointer>
#include <cstdlib>
#include <unistd.h>

namespace sorvel {
namespace {

constexpr int kConnectWaitMs = 1000;
constexpr int kAnswerWaitMs = 5000;

QString userName() {
    if (const char* user = std::getenv("USER"); user != nullptr && *user != '\0') {
        return QString::fromLocal8Bit(user);
    }
    return QString::number(::getuid());
}

} // namespace

QString SingleInstance::serverName() {
    const QString name = QStringLiteral("Media Player Sorvel|Form1-") + userName();
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QDir(QString::fromLocal8Bit(runtime)).exists()) {
        return QDir(QString::fromLocal8Bit(runtime)).filePath(name);
    }
    return name;
}

bool SingleInstance::otherInstanceRunning(const QString& name) {
    QLocalSocket socket;
    socket.connectToServer(name);
    const bool answered = socket.waitForConnected(kConnectWaitMs);
    socket.abort();
    return answered;
}

bool SingleInstance::handOver(const QString& name, const QString& commandLine) {
    QLocalSocket socket;
    socket.connectToServer(name);
    if (!socket.waitForConnected(kConnectWaitMs)) {
        return false;
    }
    socket.write(commandLine.toUtf8() + '\n');
    if (!socket.waitForBytesWritten(kAnswerWaitMs)) {
        return false;
    }
    // The player answers once it has taken the line.
    const bool taken = socket.waitForReadyRead(kAnswerWaitMs);
    socket.disconnectFromServer();
    return taken;
}

SingleInstance::SingleInstance(QString name, QObject* parent)
    : QObject(parent), name_(std::move(name)) {
    connect(&server_, &QLocalServer::newConnection, this, &SingleInstance::acceptConnections);
    retry_.setInterval(250);
    connect(&retry_, &QTimer::timeout, this, &SingleInstance::tryListen);
}

void SingleInstance::listen() {
    tryListen();
}

void SingleInstance::tryListen() {
    if (server_.isListening()) {
        retry_.stop();
        return;
    }
    // Plain options on purpose: with access options Qt renames its socket over an existing one,
    // stealing the name from a player that still runs (whose closing then removes ours). The
    // socket stays private anyway: its folder or the umask keeps others from writing to it.
    server_.setSocketOptions(QLocalServer::NoOptions);
    if (server_.listen(name_)) {
        retry_.stop();
        return;
    }
    if (!otherInstanceRunning(name_)) {
        // Left behind by a player that ended without closing: take it over.
        QLocalServer::removeServer(name_);
        if (server_.listen(name_)) {
            retry_.stop();
            return;
        }
    }
    if (--attemptsLeft_ <= 0) {
        retry_.stop();
        return;
    }
    if (!retry_.isActive()) {
        retry_.start();
    }
}

void SingleInstance::close() {
    retry_.stop();
    server_.close();
}

void SingleInstance::acceptConnections() {
    while (QLocalSocket* socket = server_.nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            if (!socket->canReadLine()) {
                return;
            }
            const QString line = QString::fromUtf8(socket->readLine()).chopped(1);
            socket->write("ok\n");
            // A sender that gave up waiting (this player was busy) has started a player of its
            // own with the file: the answer then finds nobody, and the line is not played twice.
            if (!socket->flush() || socket->state() != QLocalSocket::ConnectedState) {
                return;
            }
            // Opening the file may show a message box; the sender has its answer by then.
            QPointer<SingleInstance> self(this);
            QTimer::singleShot(0, this, [self, line] {
                if (self) {
                    emit self->commandLineReceived(line);
                }
            });
        });
    }
}

} // namespace sorvel
