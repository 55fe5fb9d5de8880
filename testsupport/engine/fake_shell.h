// A desktop that records what the options ask of it.
#pragma once

#include "DesktopShell.h"

#include <string>
#include <vector>

namespace settingstest {

struct FakeShell : sorvel::DesktopShell {
    bool minimized = false;
    std::vector<std::string> calls;
    void SetWindowsOnTop(bool onTop) override { calls.push_back(onTop ? "ontop" : "normal"); }
    void ClearAnalyzerArea() override { calls.push_back("clear-analyzer"); }
    bool MainWindowMinimized() const override { return minimized; }
    void AddTrayIcon(const std::string& tip) override { calls.push_back("tray+" + tip); }
    void UpdateTrayIcon(const std::string& tip) override { calls.push_back("tray=" + tip); }
    void DeleteTrayIcon() override { calls.push_back("tray-"); }
    void HideFromTaskbar() override { calls.push_back("taskbar-"); }
    void ShowInTaskbar() override { calls.push_back("taskbar+"); }
    void SetSnapMode(bool on) override { calls.push_back(on ? "snap" : "nosnap"); }
    void ShowMessage(const std::string& text) override { calls.push_back("message:" + text); }
};

} // namespace settingstest
