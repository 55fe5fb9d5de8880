// What desktop media controls may ask of the player.
#pragma once

#include <cstdint>
#include <string>

namespace sorvel {

class MediaControl {
public:
    virtual ~MediaControl() = default;
    virtual void TransportCommand(int command) = 0;
    virtual void SeekTo(int64_t milliseconds) = 0;
    virtual int64_t PositionMs() const = 0;
    virtual int64_t LengthMs() const = 0;
    virtual bool HasChannel() const = 0;
    virtual bool Paused() const = 0;
    virtual bool Playing() const = 0;
    virtual double Volume() const = 0; // 0..1
    virtual void SetVolume(double volume) = 0;
    virtual int LoopMode() const = 0; // 0 off, 1 repeat the entry, 2 loop the list
    virtual void SetLoopMode(int mode) = 0;
    virtual bool Shuffle() const = 0;
    virtual void SetShuffle(bool on) = 0;
    virtual int32_t CurrentIndex() const = 0;
    // What plays: its file path or address, its album (empty when unknown) and its embedded
    // picture's bytes (empty without one).
    virtual std::string CurrentPath() const = 0;
    virtual std::string CurrentAlbum() const = 0;
    virtual std::string CurrentPicture() const = 0;
    // A file (path or file: address) or an http or ftp address to play now.
    virtual void OpenUri(const std::string& uri) = 0;
    // The main window brought to the front, and the player closed through its normal closing.
    virtual void Raise() = 0;
    virtual void Quit() = 0;
};

} // namespace sorvel
