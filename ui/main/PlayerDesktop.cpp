#include "PlayerDesktop.h"

#include "Mwnd.h"
#include "clsSnap.h"
#include "player_icon.h"
#include "skinned_window.h"

#include <QMenu>
#include <QMessageBox>

namespace sorvel {

QIcon playerIcon() {
    QIcon icon;
    for (const int side : {16, 22, 32, 48, 64}) {
        icon.addPixmap(QPixmap::fromImage(playerIconImage(side)));
    }
    return icon;
}

PlayerDesktop::PlayerDesktop(Mwnd& main, clsSnap& snap, QObject* parent)
    : QObject(parent), main_(main), snap_(snap),
      trayAvailable_(QSystemTrayIcon::isSystemTrayAvailable()) {}

PlayerDesktop::~PlayerDesktop() = default;

void PlayerDesktop::SetWindowsOnTop(bool onTop) {
    main_.setOnTop(onTop);
    for (QWidget* window :
         {playlist_.data(), options_.data(), tagEditor_.data(), cdChooser_.data()}) {
        if (window != nullptr) {
            setStaysOnTop(*window, onTop, snap_);
        }
    }
}

void PlayerDesktop::ClearAnalyzerArea() {
    main_.clearAnalyzerArea();
}

bool PlayerDesktop::MainWindowMinimized() const {
    return main_.windowState() == WindowState::Minimized;
}

void PlayerDesktop::AddTrayIcon(const std::string& tip) {
    if (!trayAvailable_) {
        return; // the window stays in the task bar
    }
    if (tray_ == nullptr) {
        tray_ = std::make_unique<QSystemTrayIcon>(playerIcon());
        tray_->setContextMenu(main_.menu());
        connect(tray_.get(), &QSystemTrayIcon::activated, this, &PlayerDesktop::activated);
    }
    tray_->setToolTip(QString::fromStdString(tip));
    tray_->show();
}

void PlayerDesktop::UpdateTrayIcon(const std::string& tip) {
    if (tray_ != nullptr) {
        tray_->setToolTip(QString::fromStdString(tip));
    }
}

void PlayerDesktop::DeleteTrayIcon() {
    if (tray_ != nullptr) {
        tray_->hide();
    }
}

void PlayerDesktop::HideFromTaskbar() {
    // Only a window that can come back through the tray leaves the task bar.
    if (trayShown()) {
        main_.hideToTray();
    }
}

void PlayerDesktop::ShowInTaskbar() {
    main_.leaveTray();
}

void PlayerDesktop::SetSnapMode(bool on) {
    snap_.SnapMode(on);
}

void PlayerDesktop::ShowMessage(const std::string& text) {
    QMessageBox::information(&main_, QStringLiteral("Sorvel"), QString::fromStdString(text));
}

void PlayerDesktop::activated(QSystemTrayIcon::ActivationReason reason) {
    switch (reason) {
    case QSystemTrayIcon::Trigger:
    case QSystemTrayIcon::DoubleClick:
        // Trays that speak the StatusNotifierItem protocol never report double clicks, so a
        // single click restores the window too.
        main_.restoreNormal();
        break;
    case QSystemTrayIcon::Context:
        // The menu acts on the player, so the player comes forward with it (the menu itself
        // opens by itself); a window hidden in the tray stays hidden. Raised without taking
        // the focus, which would close the menu that is already open.
        if (main_.isVisible()) {
            main_.raise();
        }
        break;
    default:
        break;
    }
}

} // namespace sorvel
