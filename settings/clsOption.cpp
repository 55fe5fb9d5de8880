#include "clsOption.h"

#include "Autostart.h"
#include "text_encoding.h"

namespace sorvel {

clsOption::clsOption(DesktopShell& shell, std::filesystem::path program,
                     std::function<std::string()> title)
    : shell_(shell), program_(std::move(program)), title_(std::move(title)) {
    startUp_ = AutostartEnabled(program_) ? 1 : 0;
}

void clsOption::TopMost(int32_t value) {
    topMost_ = value;
    ApplyTopMost();
}

void clsOption::Analyzer_Off(int32_t value) {
    analyzerOff_ = value;
    ApplyAnalyzerOff();
}

void clsOption::TaskIn(int32_t value) {
    taskIn_ = value;
    ApplyTaskIn();
}

void clsOption::SnapWnd(int32_t value) {
    snapWnd_ = value;
    shell_.SetSnapMode(value != 0);
}

void clsOption::StartUp(int32_t value) {
    startUp_ = value;
    ApplyStartUp();
}

void clsOption::ApplyTopMost() {
    shell_.SetWindowsOnTop(topMost_ != 0);
}

void clsOption::ApplyAnalyzerOff() {
    if (analyzerOff_ == 1 && !shell_.MainWindowMinimized()) {
        shell_.ClearAnalyzerArea();
    }
}

void clsOption::ApplyTaskIn() {
    if (taskIn_ != 0) {
        if (shell_.MainWindowMinimized()) {
            shell_.AddTrayIcon(TrayTipText(title_()));
            trayIconShown_ = true;
            shell_.HideFromTaskbar();
        }
        return;
    }
    shell_.DeleteTrayIcon();
    trayIconShown_ = false;
    shell_.ShowInTaskbar();
}

void clsOption::ApplyStartUp() {
    if (auto failure = SetAutostart(startUp_ == 1, program_)) {
        shell_.ShowMessage(*failure);
    }
}

void clsOption::MainWindowMinimized() {
    if (taskIn_ == 1) {
        shell_.AddTrayIcon(TrayTipText(title_()));
        trayIconShown_ = true;
        shell_.HideFromTaskbar();
    } else {
        shell_.DeleteTrayIcon();
        trayIconShown_ = false;
    }
}

void clsOption::MainWindowRestored() {
    shell_.DeleteTrayIcon();
    trayIconShown_ = false;
    shell_.ShowInTaskbar();
}

void clsOption::TitleChanged() {
    if (trayIconShown_) {
        shell_.UpdateTrayIcon(TrayTipText(title_()));
    }
}

std::string TrayTipText(const std::string& title) {
    constexpr size_t kTrayTipBytes = 64;
    return std::string(text::cutUtf8(title, kTrayTipBytes));
}

} // namespace sorvel
