// The whole player on a real X server (run under xvfb-run): one test per window.
#include "application_look.h"

#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    if (std::getenv("DISPLAY") == nullptr) {
        std::fprintf(stderr, "No X display: run under xvfb-run.\n");
        return 1;
    }
    // A real X server maps, places and draws the windows, unlike the offscreen platform.
    ::setenv("QT_QPA_PLATFORM", "xcb", 1);
    // Qt's own file dialogs, which the test answers, whatever desktop it is started from.
    ::setenv("QT_QPA_PLATFORMTHEME", "generic", 1);
    ::setenv("DBUS_SESSION_BUS_ADDRESS", "disabled:", 0);
    QApplication application(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    sorvel::prepareApplicationLook(application);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
