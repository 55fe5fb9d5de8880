// The error a skin picture raises when its file exists but cannot be decoded.
#pragma once

#include <filesystem>
#include <stdexcept>

namespace sorvel {

class PictureError : public std::runtime_error {
public:
    // Number and text of the Windows player's "invalid picture" error.
    static constexpr int invalidPicture = 481;
    static constexpr const char* invalidPictureText = "ピクチャが不正です。";

    explicit PictureError(std::filesystem::path path)
        : std::runtime_error(invalidPictureText), path_(std::move(path)) {}

    int number() const { return invalidPicture; }
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

} // namespace sorvel
