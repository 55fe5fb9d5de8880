// Which Qt platform the player's windows run on. Wayland does not let a program place its own
// windows, which dragging, snapping and the docked playlist window need, so on a Wayland
// session the windows go through XWayland when it is there.
#pragma once

#include <optional>
#include <string>

namespace sorvel {

struct DesktopSession {
    std::string qpaPlatform;    // QT_QPA_PLATFORM as set by the user
    std::string sessionType;    // XDG_SESSION_TYPE
    std::string waylandDisplay; // WAYLAND_DISPLAY
    std::string x11Display;     // DISPLAY (set by XWayland)
    bool xcbPluginInstalled = false;
};

// The platform to ask for, or nothing to leave Qt's own choice. A platform the user chose is
// never overridden.
std::optional<std::string> preferredQtPlatform(const DesktopSession& session);

// The session as this process sees it.
DesktopSession currentDesktopSession();

} // namespace sorvel
