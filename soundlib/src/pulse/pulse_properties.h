// What the desktop's volume mixer and now-playing applets read about us: the properties of our
// connection and of our playback stream.
#pragma once

#include <memory>
#include <pulse/proplist.h>
#include <string>

namespace soundlib::pulse {

inline constexpr const char* kApplicationName = "Sorvel";
// The stream's media.name until the player names what plays.
inline constexpr const char* kDefaultMediaName = "Sorvel";

struct ProplistFree {
    void operator()(pa_proplist* list) const { pa_proplist_free(list); }
};
using ProplistPtr = std::unique_ptr<pa_proplist, ProplistFree>;

// application.name, .id and .icon_name.
ProplistPtr applicationProperties();
// media.role "music" and media.name `title` (UTF-8; other text is read as CP932; empty gives
// kDefaultMediaName).
ProplistPtr streamProperties(const std::string& title);
// `title` as the UTF-8 media.name it becomes.
std::string mediaName(const std::string& title);

} // namespace soundlib::pulse
