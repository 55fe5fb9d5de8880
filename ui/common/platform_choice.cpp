#include "platform_choice.h"

#include <QDir>
#include <QLibraryInfo>
#include <cstdlib>

namespace sorvel {
namespace {

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

} // namespace

std::optional<std::string> preferredQtPlatform(const DesktopSession& session) {
    if (!session.qpaPlatform.empty()) {
        return std::nullopt;
    }
    const bool wayland = session.sessionType == "wayland" || !session.waylandDisplay.empty();
    if (!wayland || session.x11Display.empty() || !session.xcbPluginInstalled) {
        return std::nullopt;
    }
    return "xcb";
}

DesktopSession currentDesktopSession() {
    DesktopSession session;
    session.qpaPlatform = environment("QT_QPA_PLATFORM");
    session.sessionType = environment("XDG_SESSION_TYPE");
    session.waylandDisplay = environment("WAYLAND_DISPLAY");
    session.x11Display = environment("DISPLAY");
    const QDir platforms(QLibraryInfo::path(QLibraryInfo::PluginsPath) +
                         QStringLiteral("/platforms"));
    session.xcbPluginInstalled = platforms.exists(QStringLiteral("libqxcb.so"));
    return session;
}

} // namespace sorvel
