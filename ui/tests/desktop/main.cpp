// The player's windows on a real X server (the test runs under xvfb-run): the application runs
// on Qt's xcb platform, as the program does on an X desktop.
#include <QApplication>
#include <cstdlib>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    ::setenv("QT_QPA_PLATFORM", "xcb", 1);
    ::setenv("DBUS_SESSION_BUS_ADDRESS", "disabled:", 0);
    QApplication application(argc, argv);
    // Only the closing sequence ends the player, as in the program.
    QApplication::setQuitOnLastWindowClosed(false);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
