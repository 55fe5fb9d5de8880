#include "LoudnessScanDialog.h"

#include "LoudnessScan.h"
#include "Player.h"

#include <QProgressDialog>

namespace sorvel {
namespace {

// How often the window looks at the worker's progress.
constexpr int kPollMs = 100;

} // namespace

LoudnessScanDialog::LoudnessScanDialog(Player& player, MessageBoxService& messageBox,
                                       QWidget* owner)
    : player_(player), messageBox_(messageBox), owner_(owner) {
    poll_.setInterval(kPollMs);
    connect(&poll_, &QTimer::timeout, this, &LoudnessScanDialog::poll);
}

LoudnessScanDialog::~LoudnessScanDialog() {
    stop();
}

QProgressDialog* LoudnessScanDialog::window() const {
    return window_;
}

void LoudnessScanDialog::open() {
    if (scan_ != nullptr) {
        if (window_ != nullptr) {
            window_->show();
            window_->raise();
        }
        return;
    }
    std::vector<std::filesystem::path> files = player_.loudnessScanFiles();
    if (files.empty()) {
        messageBox_.show(kNothingToScanText, kLoudnessScanTitle, MessageButtons::Ok,
                         MessageIcon::Information);
        return;
    }
    scan_ = std::make_unique<LoudnessScan>(std::move(files));
    if (window_ == nullptr) {
        // A window of its own (not modal): the player goes on while the scan runs.
        window_ = new QProgressDialog(owner_, Qt::Window);
        window_->setObjectName(QStringLiteral("LoudnessScan"));
        window_->setAttribute(Qt::WA_DeleteOnClose, false);
        window_->setWindowTitle(QString::fromUtf8(kLoudnessScanTitle));
        window_->setCancelButtonText(QString::fromUtf8("中止"));
        window_->setAutoClose(false);
        window_->setAutoReset(false);
        window_->setMinimumDuration(0);
        connect(window_, &QProgressDialog::canceled, this, [this] {
            if (scan_ != nullptr) {
                scan_->cancel();
            }
        });
    }
    window_->reset(); // a scan stopped by its 中止 leaves the window cancelled
    window_->setRange(0, static_cast<int>(scan_->total()));
    showProgress();
    window_->show();
    poll_.start();
}

void LoudnessScanDialog::poll() {
    if (scan_ == nullptr) {
        return;
    }
    const bool finished = scan_->finished(); // before the results: none can come after it
    player_.takeLoudnessResults(scan_->takeResults());
    showProgress();
    if (finished) {
        finish();
    }
}

void LoudnessScanDialog::showProgress() {
    if (window_ != nullptr) {
        const int done = static_cast<int>(scan_->done());
        window_->setValue(done);
        window_->setLabelText(
            QString::fromUtf8("ラウドネスを解析しています… %1 / %2").arg(done).arg(scan_->total()));
    }
}

void LoudnessScanDialog::finish() {
    poll_.stop();
    scan_.reset();
    if (window_ != nullptr) {
        window_->hide();
    }
}

void LoudnessScanDialog::stop() {
    if (scan_ == nullptr) {
        return;
    }
    scan_->stop(); // the worker stops between two packets
    // What it had measured before it stopped is kept.
    player_.takeLoudnessResults(scan_->takeResults());
    finish();
}

} // namespace sorvel
