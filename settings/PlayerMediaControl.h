// Desktop media controls acting on the player's engine.
#pragma once

#include "MediaControl.h"
#include "Player.h"

#include <functional>

namespace sorvel {

class PlayerMediaControl final : public MediaControl {
public:
    // `raise` and `quit` act on the main window; null does nothing.
    explicit PlayerMediaControl(Player& player, std::function<void()> raise = {},
                                std::function<void()> quit = {})
        : player_(player), raise_(std::move(raise)), quit_(std::move(quit)) {}

    void TransportCommand(int command) override;
    void SeekTo(int64_t milliseconds) override;
    int64_t PositionMs() const override;
    int64_t LengthMs() const override;
    bool HasChannel() const override;
    bool Paused() const override;
    bool Playing() const override;
    double Volume() const override;
    void SetVolume(double volume) override;
    int LoopMode() const override;
    void SetLoopMode(int mode) override;
    bool Shuffle() const override;
    void SetShuffle(bool on) override;
    int32_t CurrentIndex() const override;
    std::string CurrentPath() const override;
    std::string CurrentAlbum() const override;
    std::string CurrentPicture() const override;
    void OpenUri(const std::string& uri) override;
    void Raise() override;
    void Quit() override;

private:
    Player& player_;
    std::function<void()> raise_;
    std::function<void()> quit_;
};

} // namespace sorvel
