// On Wayland the windows go through XWayland when it is there.
#include "platform_choice.h"

#include <gtest/gtest.h>

using namespace sorvel;

TEST(QtPlatformChoice, AWaylandSessionWithXWaylandRunsTheWindowsOnXcb) {
    DesktopSession session;
    session.sessionType = "wayland";
    session.waylandDisplay = "wayland-0";
    session.x11Display = ":0";
    session.xcbPluginInstalled = true;
    EXPECT_EQ(preferredQtPlatform(session), "xcb");
    session.sessionType.clear(); // some sessions only set WAYLAND_DISPLAY
    EXPECT_EQ(preferredQtPlatform(session), "xcb");
}

TEST(QtPlatformChoice, LeavesQtsChoiceWithoutXWaylandOnX11OrWhenTheUserChose) {
    DesktopSession session;
    session.sessionType = "wayland";
    session.waylandDisplay = "wayland-0";
    session.xcbPluginInstalled = true;
    EXPECT_FALSE(preferredQtPlatform(session)); // no DISPLAY: no XWayland
    session.x11Display = ":0";
    session.xcbPluginInstalled = false;
    EXPECT_FALSE(preferredQtPlatform(session));
    session.xcbPluginInstalled = true;
    session.qpaPlatform = "wayland";
    EXPECT_FALSE(preferredQtPlatform(session));

    DesktopSession x11;
    x11.sessionType = "x11";
    x11.x11Display = ":0";
    x11.xcbPluginInstalled = true;
    EXPECT_FALSE(preferredQtPlatform(x11));
}
