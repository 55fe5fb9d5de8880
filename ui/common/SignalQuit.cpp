#include "SignalQuit.h"

#include <QApplication>
#include <QDialog>
#include <QThread>
#include <QWidget>
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace sorvel {
namespace {

volatile std::sig_atomic_t writeEnd = -1;
volatile std::sig_atomic_t received = 0;

void onSignal(int number) {
    if (received != 0) {
        ::_exit(128 + number);
    }
    received = 1;
    const int fd = writeEnd;
    if (fd >= 0) {
        const unsigned char byte = static_cast<unsigned char>(number);
        [[maybe_unused]] const ssize_t written = ::write(fd, &byte, 1);
    }
}

} // namespace

SignalQuit::SignalQuit(QObject* parent) : QObject(parent) {
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds_) != 0) {
        fds_[0] = fds_[1] = -1;
        return;
    }
    ::fcntl(fds_[1], F_SETFL, O_NONBLOCK);
    writeEnd = fds_[1];
    notifier_ = std::make_unique<QSocketNotifier>(fds_[0], QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, &SignalQuit::readSignal);
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGTERM, &action, nullptr);
    ::sigaction(SIGINT, &action, nullptr);
}

SignalQuit::~SignalQuit() {
    std::signal(SIGTERM, SIG_DFL);
    std::signal(SIGINT, SIG_DFL);
    writeEnd = -1;
    notifier_.reset();
    for (const int fd : fds_) {
        if (fd >= 0) {
            ::close(fd);
        }
    }
}

bool SignalQuit::dismissModalWindows(int outerLevels) {
    // A pop-up menu grabs the input: closing one may reveal the one below it.
    for (int guard = 0; guard < 8 && QApplication::activePopupWidget() != nullptr; ++guard) {
        QApplication::activePopupWidget()->close();
    }
    for (QWidget* window : QApplication::topLevelWidgets()) {
        auto* dialog = qobject_cast<QDialog*>(window);
        if (dialog != nullptr && dialog->isVisible() && dialog->windowModality() != Qt::NonModal) {
            dialog->reject();
        }
    }
    return QThread::currentThread()->loopLevel() > outerLevels;
}

void SignalQuit::readSignal() {
    unsigned char byte = 0;
    if (::read(fds_[0], &byte, 1) == 1) {
        emit quitRequested(byte);
    }
}

} // namespace sorvel
