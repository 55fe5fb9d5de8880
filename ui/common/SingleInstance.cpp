#include "SingleInstance.h"

#include <QDir>
#include <QPointer>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace sorvel {
namespace {

constexpr int kConnectWaitMs = 1000;
constexpr int kAnswerWaitMs = 5000;
// Longer lines are not command lines; the sender is dropped.
constexpr qsizetype kMaxLineBytes = 1 << 20;

QString userName() {
    if (const char* user = std::getenv("USER"); user != nullptr && *user != '\0') {
        return QString::fromLocal8Bit(user);
    }
    return QString::number(::getuid());
}

// Where the socket lies: a name without a folder goes to the temporary folder.
std::optional<sockaddr_un> addressOf(const QString& name) {
    const QByteArray path =
        (name.startsWith(QLatin1Char('/')) ? name : QDir::temp().filePath(name)).toLocal8Bit();
    sockaddr_un address{};
    if (size_t(path.size()) >= sizeof address.sun_path) {
        return std::nullopt;
    }
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.constData(), size_t(path.size()));
    return address;
}

// A connected socket to the player on `name`, or -1.
int connectTo(const QString& name) {
    const auto address = addressOf(name);
    if (!address) {
        return -1;
    }
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) {
        return -1;
    }
    // A busy player's queue of connections may be full for a moment.
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(kConnectWaitMs);
    for (;;) {
        if (::connect(fd, reinterpret_cast<const sockaddr*>(&*address), sizeof *address) == 0) {
            return fd;
        }
        if (errno != EAGAIN && errno != EINTR) {
            break;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            break;
        }
        ::poll(nullptr, 0, 10);
    }
    ::close(fd);
    return -1;
}

// Waits up to `ms` for `events` on `fd`.
bool waitFor(int fd, short events, int ms) {
    pollfd watched{fd, events, 0};
    int ready = 0;
    do {
        ready = ::poll(&watched, 1, ms);
    } while (ready < 0 && errno == EINTR);
    return ready > 0 && (watched.revents & events) != 0;
}

bool sendAll(int fd, const QByteArray& bytes, int waitMs) {
    qsizetype sent = 0;
    while (sent < bytes.size()) {
        const ssize_t done =
            ::send(fd, bytes.constData() + sent, size_t(bytes.size() - sent), MSG_NOSIGNAL);
        if (done > 0) {
            sent += done;
        } else if (done < 0 && errno == EINTR) {
            continue;
        } else if (done < 0 && errno == EAGAIN && waitFor(fd, POLLOUT, waitMs)) {
            continue;
        } else {
            return false;
        }
    }
    return true;
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
    const int fd = connectTo(name);
    if (fd < 0) {
        return false;
    }
    ::close(fd);
    return true;
}

bool SingleInstance::handOver(const QString& name, const QString& commandLine) {
    const int fd = connectTo(name);
    if (fd < 0) {
        return false;
    }
    // The player answers once it has taken the line.
    bool taken = sendAll(fd, commandLine.toUtf8() + '\n', kAnswerWaitMs) &&
                 waitFor(fd, POLLIN, kAnswerWaitMs);
    if (taken) {
        char answer[8];
        taken = ::recv(fd, answer, sizeof answer, 0) > 0;
    }
    ::close(fd);
    return taken;
}

SingleInstance::SingleInstance(QString name, QObject* parent)
    : QObject(parent), name_(std::move(name)) {
    retry_.setInterval(250);
    connect(&retry_, &QTimer::timeout, this, &SingleInstance::tryListen);
}

SingleInstance::~SingleInstance() {
    close();
}

void SingleInstance::listen() {
    tryListen();
}

bool SingleInstance::bindAndListen() {
    const auto address = addressOf(name_);
    if (!address) {
        return false;
    }
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) {
        return false;
    }
    // Bound where nothing lies: a socket still there is never replaced (that would steal the
    // name from a player that still runs, whose closing then removes ours). The socket stays
    // private anyway: its folder or the umask keeps others from writing to it.
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&*address), sizeof *address) != 0 ||
        ::listen(fd, SOMAXCONN) != 0) {
        ::close(fd);
        return false;
    }
    listener_ = fd;
    incoming_ = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
    connect(incoming_.get(), &QSocketNotifier::activated, this, &SingleInstance::acceptConnections);
    return true;
}

void SingleInstance::tryListen() {
    if (listening() || bindAndListen()) {
        retry_.stop();
        return;
    }
    if (!otherInstanceRunning(name_)) {
        // Left behind by a player that ended without closing: take it over.
        if (const auto address = addressOf(name_)) {
            ::unlink(address->sun_path);
        }
        if (bindAndListen()) {
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
    while (!connections_.empty()) {
        drop(connections_.begin()->first);
    }
    if (listener_ >= 0) {
        incoming_.reset();
        ::close(listener_);
        listener_ = -1;
        if (const auto address = addressOf(name_)) {
            ::unlink(address->sun_path);
        }
    }
}

void SingleInstance::acceptConnections() {
    for (;;) {
        const int fd = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd < 0) {
            return;
        }
        Connection& connection = connections_[fd];
        connection.readable = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
        connect(connection.readable.get(), &QSocketNotifier::activated, this,
                [this, fd] { readFrom(fd); });
    }
}

void SingleInstance::readFrom(int socket) {
    const auto found = connections_.find(socket);
    if (found == connections_.end()) {
        return;
    }
    QByteArray& received = found->second.received;
    char buffer[4096];
    for (;;) {
        const ssize_t got = ::recv(socket, buffer, sizeof buffer, 0);
        if (got > 0) {
            received.append(buffer, got);
            continue;
        }
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got == 0 || (errno != EAGAIN && errno != EWOULDBLOCK)) {
            drop(socket); // the sender went away before its line was complete
            return;
        }
        break;
    }
    const qsizetype end = received.indexOf('\n');
    if (end < 0) {
        if (received.size() > kMaxLineBytes) {
            drop(socket);
        }
        return;
    }
    const QString line = QString::fromUtf8(received.left(end));
    // A sender that gave up waiting (this player was busy) has started a player of its own
    // with the file: the answer then finds nobody, and the line is not played twice.
    const bool answered = sendAll(socket, QByteArrayLiteral("ok\n"), 0);
    drop(socket);
    if (!answered) {
        return;
    }
    // Opening the file may show a message box; the sender has its answer by then.
    QPointer<SingleInstance> self(this);
    QTimer::singleShot(0, this, [self, line] {
        if (self) {
            emit self->commandLineReceived(line);
        }
    });
}

void SingleInstance::drop(int socket) {
    const auto found = connections_.find(socket);
    if (found == connections_.end()) {
        return;
    }
    found->second.readable.reset();
    ::close(socket);
    connections_.erase(found);
}

} // namespace sorvel
