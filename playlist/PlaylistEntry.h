// One entry of the playlist.
#pragma once

#include <cstdint>
#include <string>

namespace sorvel {

struct PlaylistEntry {
    std::string path; // local path, "http://"/"ftp://" address or "cd:" + drive + track index
    std::string title;
    std::string timeText;
    std::string artist;
    std::string album;
    int32_t lengthMs = 0;
    int32_t seekStepMs = 0;
};

} // namespace sorvel
