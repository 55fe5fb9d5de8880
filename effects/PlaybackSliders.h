// Where the playback sliders and their captions live (the options window's model), as the
// effect object sees them when a new channel starts.
#pragma once

#include "PlaybackRate.h"

#include <cstdint>
#include <string>

namespace sorvel {

class PlaybackSliders {
public:
    virtual ~PlaybackSliders() = default;
    virtual int32_t PlaybackPosition(PlaybackKind kind) const = 0;
    virtual void ShowPlaybackCaption(PlaybackKind kind, const std::string& text) = 0;
};

} // namespace sorvel
