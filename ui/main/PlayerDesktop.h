// What the options do to the desktop: the player's windows on top, the analyzer area cleared,
// the tray icon and the task-bar entry while minimised, snapping. Without a tray on the
// desktop, minimising leaves the window in the task bar as usual.
#pragma once

#include "DesktopShell.h"

#include <QObject>
#include <QPointer>
#include <QSystemTrayIcon>
#include <QWidget>
#include <memory>

namespace sorvel {

class Mwnd;
class clsSnap;

class PlayerDesktop final : public QObject, public DesktopShell {
    Q_OBJECT
public:
    PlayerDesktop(Mwnd& main, clsSnap& snap, QObject* parent = nullptr);
    ~PlayerDesktop() override;

    void SetWindowsOnTop(bool onTop) override;
    void ClearAnalyzerArea() override;
    bool MainWindowMinimized() const override;
    void AddTrayIcon(const std::string& tip) override;
    void UpdateTrayIcon(const std::string& tip) override;
    void DeleteTrayIcon() override;
    void HideFromTaskbar() override;
    void ShowInTaskbar() override;
    void SetSnapMode(bool on) override;
    void ShowMessage(const std::string& text) override;

    bool trayShown() const { return tray_ != nullptr && tray_->isVisible(); }
    QSystemTrayIcon* tray() const { return tray_.get(); }
    // The other windows join the main window in the always-on-top band.
    void setPlaylistWindow(QWidget* window) { playlist_ = window; }
    void setOptionsWindow(QWidget* window) { options_ = window; }
    void setTagEditorWindow(QWidget* window) { tagEditor_ = window; }
    void setCdChooserWindow(QWidget* window) { cdChooser_ = window; }
    // Tests stand in for a desktop with or without a tray.
    void setTrayAvailable(bool available) { trayAvailable_ = available; }

private:
    void activated(QSystemTrayIcon::ActivationReason reason);

    Mwnd& main_;
    clsSnap& snap_;
    QPointer<QWidget> playlist_;
    QPointer<QWidget> options_;
    QPointer<QWidget> tagEditor_;
    QPointer<QWidget> cdChooser_;
    std::unique_ptr<QSystemTrayIcon> tray_;
    bool trayAvailable_;
};

// The player's icon (window and tray), drawn rather than shipped.
QIcon playerIcon();

} // namespace sorvel
