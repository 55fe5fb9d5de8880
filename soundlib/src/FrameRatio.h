// Frames of a sound's decoded data per frame of its file. Data converted to the output rate
// holds `data` frames for every `file` frames of the file; positions and lengths keep counting
// in file frames and cross over only where the mixer reads the data.
#pragma once

#include <cstdint>
#include <numeric>

namespace soundlib {

struct FrameRatio {
    uint64_t data = 1;
    uint64_t file = 1;

    // In lowest terms; a ratio with a zero side is taken as 1:1.
    static FrameRatio of(uint64_t dataFrames, uint64_t fileFrames) {
        if (dataFrames == 0 || fileFrames == 0) {
            return {};
        }
        const uint64_t divisor = std::gcd(dataFrames, fileFrames);
        return {dataFrames / divisor, fileFrames / divisor};
    }

    bool identity() const { return data == file; }
    double dataPerFile() const { return static_cast<double>(data) / static_cast<double>(file); }
    // Where file frame `frame` lies in the data; between two data frames when the rates differ.
    double toData(uint64_t frame) const {
        const unsigned __int128 scaled = static_cast<unsigned __int128>(frame) * data;
        return static_cast<double>(static_cast<uint64_t>(scaled / file)) +
               static_cast<double>(static_cast<uint64_t>(scaled % file)) /
                   static_cast<double>(file);
    }
    // The file frame that data frame `frame` falls in.
    uint64_t toFile(uint64_t frame) const {
        return static_cast<uint64_t>(static_cast<unsigned __int128>(frame) * file / data);
    }
};

} // namespace soundlib
