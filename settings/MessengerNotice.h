// The now-playing notice text and how a title splits into what desktops show.
#pragma once

#include <string>

namespace sorvel {

// "Sorvel\0Music\0" + flag + "\0" + message + "\0", each "\0" being a backslash and a zero.
// The flag is "1" only when the notice is on, something plays and it is not a video.
std::string MessengerNoticeText(const std::string& message, bool messengerOn, bool playing,
                                bool isVideo);

struct TitleParts {
    std::string title;
    std::string artist;
};
// "12. Song - Artist" -> {"Song", "Artist"}: the playlist number is dropped and the artist is
// what follows the last " - ".
TitleParts SplitNowPlayingTitle(const std::string& titleText);

} // namespace sorvel
