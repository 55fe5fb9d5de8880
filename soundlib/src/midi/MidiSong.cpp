#include "MidiSong.h"

#include <algorithm>
#include <cstring>

namespace soundlib {
namespace {

constexpr uint32_t kDefaultTempo = 500000; // microseconds per quarter note: 120 bpm
// More messages than any real song holds; a damaged file claiming more is cut there.
constexpr size_t kMaxMessages = size_t{1} << 23;

using Wide = unsigned __int128;

uint32_t be32(std::span<const uint8_t> bytes, size_t at) {
    return uint32_t(bytes[at]) << 24 | uint32_t(bytes[at + 1]) << 16 |
           uint32_t(bytes[at + 2]) << 8 | uint32_t(bytes[at + 3]);
}

uint32_t le32(std::span<const uint8_t> bytes, size_t at) {
    return uint32_t(bytes[at]) | uint32_t(bytes[at + 1]) << 8 | uint32_t(bytes[at + 2]) << 16 |
           uint32_t(bytes[at + 3]) << 24;
}

bool hasTag(std::span<const uint8_t> bytes, size_t at, const char* tag) {
    return bytes.size() >= at + 4 && std::memcmp(bytes.data() + at, tag, 4) == 0;
}

// The MIDI file inside a RIFF RMID wrapper, or the bytes themselves.
std::span<const uint8_t> unwrapRmid(std::span<const uint8_t> bytes) {
    if (!hasTag(bytes, 0, "RIFF") || !hasTag(bytes, 8, "RMID")) {
        return bytes;
    }
    size_t at = 12;
    while (at + 8 <= bytes.size()) {
        const size_t size = le32(bytes, at + 4);
        const size_t body = at + 8;
        if (hasTag(bytes, at, "data")) {
            return bytes.subspan(body, std::min(size, bytes.size() - body));
        }
        if (size > bytes.size() - body) {
            break;
        }
        at = body + size + (size & 1); // chunks are padded to even sizes
    }
    return {};
}

class TrackReader {
public:
    TrackReader(std::span<const uint8_t> data, uint64_t startTick)
        : data_(data), tick_(startTick), endTick_(startTick) {}

    // Reads until the end-of-track event, the end of the data or damage. The messages' frames
    // hold their ticks for now.
    void read(std::vector<MidiMessage>& events, std::vector<std::pair<uint64_t, uint32_t>>& tempos,
              std::vector<uint8_t>& sysexStore) {
        while (pos_ < data_.size() && events.size() < kMaxMessages) {
            uint32_t delta = 0;
            if (!readVarLen(delta) || pos_ >= data_.size()) {
                return;
            }
            tick_ += delta;
            endTick_ = tick_;
            const uint8_t lead = data_[pos_];
            if (lead == 0xFF) {
                if (!readMeta(tempos)) {
                    return;
                }
                continue;
            }
            if (lead == 0xF0 || lead == 0xF7) {
                ++pos_;
                uint32_t length = 0;
                if (!readVarLen(length) || length > data_.size() - pos_) {
                    return;
                }
                auto body = data_.subspan(pos_, length);
                pos_ += length;
                // F7 packets continue or escape earlier messages; only whole F0 messages count.
                if (lead == 0xF0) {
                    if (!body.empty() && body.back() == 0xF7) {
                        body = body.first(body.size() - 1);
                    }
                    MidiMessage event;
                    event.frame = tick_;
                    event.status = 0xF0;
                    event.sysexOffset = static_cast<uint32_t>(sysexStore.size());
                    event.sysexLength = static_cast<uint32_t>(body.size());
                    sysexStore.insert(sysexStore.end(), body.begin(), body.end());
                    events.push_back(event);
                }
                continue;
            }
            uint8_t status = running_;
            if (lead & 0x80) {
                if (lead >= 0xF0) {
                    return; // system messages other than the above have no place in a file
                }
                status = lead;
                running_ = lead;
                ++pos_;
            } else if (status == 0) {
                return; // data without a status to run on
            }
            const bool oneByte = (status & 0xF0) == 0xC0 || (status & 0xF0) == 0xD0;
            const size_t needed = oneByte ? 1 : 2;
            if (data_.size() - pos_ < needed) {
                return;
            }
            MidiMessage event;
            event.frame = tick_;
            event.status = status;
            event.data1 = data_[pos_];
            event.data2 = oneByte ? 0 : data_[pos_ + 1];
            if ((event.data1 | event.data2) & 0x80) {
                return;
            }
            pos_ += needed;
            events.push_back(event);
        }
    }

    uint64_t endTick() const { return endTick_; }

private:
    bool readVarLen(uint32_t& value) {
        value = 0;
        for (int i = 0; i < 4; ++i) {
            if (pos_ >= data_.size()) {
                return false;
            }
            const uint8_t byte = data_[pos_++];
            value = (value << 7) | (byte & 0x7F);
            if (!(byte & 0x80)) {
                return true;
            }
        }
        return false;
    }

    bool readMeta(std::vector<std::pair<uint64_t, uint32_t>>& tempos) {
        if (data_.size() - pos_ < 2) {
            return false;
        }
        const uint8_t type = data_[pos_ + 1];
        pos_ += 2;
        uint32_t length = 0;
        if (!readVarLen(length) || length > data_.size() - pos_) {
            return false;
        }
        const auto body = data_.subspan(pos_, length);
        pos_ += length;
        if (type == 0x51 && length >= 3) {
            const uint32_t tempo = uint32_t(body[0]) << 16 | uint32_t(body[1]) << 8 | body[2];
            if (tempo > 0) {
                tempos.emplace_back(tick_, tempo);
            }
        } else if (type == 0x2F) {
            pos_ = data_.size(); // end of track
        }
        return true;
    }

    std::span<const uint8_t> data_;
    size_t pos_ = 0;
    uint64_t tick_;
    uint64_t endTick_;
    uint8_t running_ = 0;
};

// Turns ascending ticks into frames, following the tempo changes as it goes.
class TickClock {
public:
    TickClock(std::span<const std::pair<uint64_t, uint32_t>> tempos, uint32_t ticksPerQuarter,
              int sampleRate)
        : tempos_(tempos), division_(std::max<uint32_t>(ticksPerQuarter, 1)), rate_(sampleRate) {}

    uint64_t frameAt(uint64_t tick) {
        while (next_ < tempos_.size() && tempos_[next_].first <= tick) {
            advanceTo(tempos_[next_].first);
            tempo_ = tempos_[next_].second;
            ++next_;
        }
        advanceTo(tick);
        // elapsed_ counts microseconds times the division.
        const Wide scale = Wide{division_} * 1000000u;
        return static_cast<uint64_t>((elapsed_ * static_cast<Wide>(rate_) + scale / 2) / scale);
    }

private:
    void advanceTo(uint64_t tick) {
        if (tick > tick_) {
            elapsed_ += Wide{tick - tick_} * tempo_;
            tick_ = tick;
        }
    }

    std::span<const std::pair<uint64_t, uint32_t>> tempos_;
    uint32_t division_;
    int rate_;
    size_t next_ = 0;
    uint64_t tick_ = 0;
    uint32_t tempo_ = kDefaultTempo;
    Wide elapsed_ = 0;
};

} // namespace

uint64_t midiTickToFrame(uint64_t tick, std::span<const std::pair<uint64_t, uint32_t>> tempos,
                         uint32_t ticksPerQuarter, int sampleRate) {
    TickClock clock(tempos, ticksPerQuarter, sampleRate);
    return clock.frameAt(tick);
}

bool MidiSong::looksLikeMidi(std::span<const uint8_t> head) {
    return hasTag(head, 0, "MThd") || (hasTag(head, 0, "RIFF") && hasTag(head, 8, "RMID"));
}

std::optional<MidiSong> MidiSong::parse(std::span<const uint8_t> file, int sampleRate) {
    const std::span<const uint8_t> bytes = unwrapRmid(file);
    if (sampleRate <= 0 || !hasTag(bytes, 0, "MThd") || bytes.size() < 14) {
        return std::nullopt;
    }
    const uint32_t headerLength = be32(bytes, 4);
    if (headerLength < 6 || headerLength > bytes.size() - 8) {
        return std::nullopt;
    }
    const int format = bytes[8] << 8 | bytes[9];
    const uint16_t division = static_cast<uint16_t>(bytes[12] << 8 | bytes[13]);
    if (format > 2 || division == 0) {
        return std::nullopt;
    }

    MidiSong song;
    std::vector<MidiMessage>& events = song.messages_;
    std::vector<std::pair<uint64_t, uint32_t>> tempos;
    uint64_t endTick = 0;
    uint64_t trackStart = 0; // format 2: each track starts where the previous one ended
    int tracks = 0;
    size_t at = 8 + headerLength;
    while (at + 8 <= bytes.size()) {
        const size_t length = std::min<size_t>(be32(bytes, at + 4), bytes.size() - at - 8);
        if (hasTag(bytes, at, "MTrk")) {
            TrackReader reader(bytes.subspan(at + 8, length), trackStart);
            reader.read(events, tempos, song.sysexData_);
            endTick = std::max(endTick, reader.endTick());
            if (format == 2) {
                trackStart = reader.endTick();
            }
            ++tracks;
        }
        at += 8 + length;
    }
    if (tracks == 0) {
        return std::nullopt;
    }

    // Tracks were read one after another: order by time, keeping track order at equal times.
    std::stable_sort(events.begin(), events.end(),
                     [](const MidiMessage& a, const MidiMessage& b) { return a.frame < b.frame; });
    std::stable_sort(tempos.begin(), tempos.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });

    if (division & 0x8000) {
        // SMPTE time: frames per second (29 meaning 29.97) and ticks per frame; no tempo.
        const int fps = -static_cast<int8_t>(division >> 8);
        const uint64_t ticksPerFrame = division & 0xFF;
        if (fps <= 0 || ticksPerFrame == 0) {
            return std::nullopt;
        }
        const Wide perSecondTimes100 = Wide{ticksPerFrame} * (fps == 29 ? 2997u : fps * 100u);
        auto toFrame = [&](uint64_t tick) {
            const Wide scaled = Wide{tick} * static_cast<Wide>(sampleRate) * 100u;
            return static_cast<uint64_t>((scaled + perSecondTimes100 / 2) / perSecondTimes100);
        };
        for (MidiMessage& event : events) {
            event.frame = toFrame(event.frame);
        }
        song.lengthFrames_ = toFrame(endTick);
    } else {
        TickClock clock(tempos, division, sampleRate);
        for (MidiMessage& event : events) {
            event.frame = clock.frameAt(event.frame);
        }
        song.lengthFrames_ = clock.frameAt(endTick);
    }
    return song;
}

} // namespace soundlib
