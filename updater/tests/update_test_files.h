// What the updater's two test programs share: copies of the stand-in player with a chosen
// version, and a network without proxies (the loopback server must be reached directly).
#pragma once

#include "program_version.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

namespace updatertest {

// Copies `program` to `copy`, giving the copy's version marker the text `version` (which need
// not be a valid version).
inline void copyWithVersion(const std::filesystem::path& program, const std::filesystem::path& copy,
                            const std::string& version) {
    std::filesystem::create_directories(copy.parent_path());
    std::filesystem::copy_file(program, copy, std::filesystem::copy_options::overwrite_existing);
    const auto place = sorvel::findVersionMarker(copy);
    if (!place || version.size() >= place->size) {
        throw std::runtime_error("no room for the version in " + program.string());
    }
    std::string marker = version;
    marker.resize(place->size, '\0');
    std::fstream file(copy, std::ios::in | std::ios::out | std::ios::binary);
    file.seekp(static_cast<std::streamoff>(place->offset));
    file.write(marker.data(), static_cast<std::streamsize>(marker.size()));
}

inline void withoutProxies() {
    for (const char* name :
         {"http_proxy", "https_proxy", "HTTP_PROXY", "HTTPS_PROXY", "ALL_PROXY", "all_proxy"}) {
        ::unsetenv(name);
    }
}

} // namespace updatertest
