// What the options ask of the windows and the desktop: staying on top, the tray icon, the task
// bar and the analyzer area. The Qt windows implement it; tests fake it.
#pragma once

#include <string>

namespace sorvel {

class DesktopShell {
public:
    virtual ~DesktopShell() = default;
    // Puts the player's windows into (or takes them out of) the always-on-top band.
    virtual void SetWindowsOnTop(bool onTop) = 0;
    // Paints the bare skin background over the analyzer area.
    virtual void ClearAnalyzerArea() = 0;
    virtual bool MainWindowMinimized() const = 0;
    virtual void AddTrayIcon(const std::string& tip) = 0;
    virtual void UpdateTrayIcon(const std::string& tip) = 0;
    virtual void DeleteTrayIcon() = 0;
    virtual void HideFromTaskbar() = 0;
    virtual void ShowInTaskbar() = 0;
    virtual void SetSnapMode(bool on) = 0;
    virtual void ShowMessage(const std::string& text) = 0;
};

} // namespace sorvel
