// The player's general options. Writing an option carries out its effect on the desktop at once.
// UI thread only.
#pragma once

#include "DesktopShell.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>

namespace sorvel {

class clsOption {
public:
    // `program` is the path the log-on entry starts; `title` gives the tray tip's text.
    clsOption(DesktopShell& shell, std::filesystem::path program,
              std::function<std::string()> title);

    int32_t MessengerOn() const { return messengerOn_; }
    void MessengerOn(int32_t value) { messengerOn_ = value; }
    int32_t TopMost() const { return topMost_; }
    void TopMost(int32_t value);
    int32_t Analyzer_Off() const { return analyzerOff_; }
    void Analyzer_Off(int32_t value);
    int32_t TaskIn() const { return taskIn_; }
    void TaskIn(int32_t value);
    int32_t ScrollOff() const { return scrollOff_; }
    void ScrollOff(int32_t value) { scrollOff_ = value; }
    int32_t SnapWnd() const { return snapWnd_; }
    void SnapWnd(int32_t value);
    int32_t StartUp() const { return startUp_; }
    void StartUp(int32_t value);

    // Minimising and restoring the main window.
    void MainWindowMinimized();
    void MainWindowRestored();
    // A new title started playing: the tray tip follows it.
    void TitleChanged();

private:
    void ApplyTopMost();
    void ApplyAnalyzerOff();
    void ApplyTaskIn();
    void ApplyStartUp();

    DesktopShell& shell_;
    std::filesystem::path program_;
    std::function<std::string()> title_;
    bool trayIconShown_ = false;
    int32_t messengerOn_ = 0;
    int32_t topMost_ = 0;
    int32_t analyzerOff_ = 0;
    int32_t taskIn_ = 0;
    int32_t scrollOff_ = 0;
    int32_t snapWnd_ = 0;
    int32_t startUp_ = 0;
};

// The tray tip: the title cut to 64 bytes without splitting a character.
std::string TrayTipText(const std::string& title);

} // namespace sorvel
