// Desktop media controls acting on the player's engine.
#pragma once

#include "MediaControl.h"
#include "Player.h"

namespace sorvel {

class PlayerMediaControl final : public MediaControl {
public:
    explicit PlayerMediaControl(Player& player) : player_(player) {}

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

private:
    Player& player_;
};

} // namespace sorvel
