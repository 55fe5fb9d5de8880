#include "entry_kind.h"

#include <algorithm>
#include <cctype>

namespace sorvel {

std::string entryExtension(const std::string& entry) {
    const size_t slash = entry.find_last_of("/\\");
    const size_t dot = entry.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) {
        return {};
    }
    std::string extension = entry.substr(dot + 1);
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension;
}

bool isVideoExtension(const std::string& extension) {
    return extension == "wmv" || extension == "avi" || extension == "mpg" || extension == "mpeg" ||
           extension == "ogm";
}

bool isTrackerExtension(const std::string& extension) {
    return extension == "xm" || extension == "it" || extension == "mod" || extension == "s3m";
}

bool isPlaylistFile(const std::string& entry) {
    const std::string extension = entryExtension(entry);
    return extension == "m3u" || extension == "pls";
}

bool isNetworkEntry(const std::string& entry) {
    return entry.starts_with("http://") || entry.starts_with("ftp://");
}

bool isCdEntry(const std::string& entry) {
    return entry.starts_with("cd:");
}

int32_t cdTrackIndex(const std::string& entry) {
    try {
        return entry.size() > 5 ? std::stoi(entry.substr(5)) : 0;
    } catch (...) {
        return 0;
    }
}

std::string fileNamePart(const std::string& entry) {
    const size_t slash = entry.find_last_of("/\\");
    return slash == std::string::npos ? entry : entry.substr(slash + 1);
}

} // namespace sorvel
