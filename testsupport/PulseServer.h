// A PulseAudio server of the test's own: one null sink, its socket in a private folder, and
// PULSE_SERVER pointing at it for the rest of the test. Needs the pulseaudio, pactl and parec
// programs; a test skips when the server cannot start.
#pragma once

#include "TempFolder.h"

#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace sorvel {

class PulseServer {
public:
    // The null sink every server starts with, and its description.
    static constexpr const char* kSink = "sorvel_test";
    static constexpr const char* kSinkDescription = "Sorvel test sink";

    // Starts the server and waits (a few seconds at most) until it answers.
    PulseServer();
    // Ends the server and puts PULSE_SERVER back.
    ~PulseServer();
    PulseServer(const PulseServer&) = delete;
    PulseServer& operator=(const PulseServer&) = delete;

    bool running() const { return pid_ > 0; }
    // Why it did not start, for the skip message.
    const std::string& failure() const { return failure_; }

    // pactl with `arguments` against this server: its output, or nullopt when it failed.
    std::optional<std::string> pactl(const std::string& arguments) const;
    // Another null sink, kept running; its module index (for unloadSink).
    int addSink(const std::string& name, const std::string& description);
    bool unloadSink(int module) const;
    // Records `seconds` of what `sink` plays (its monitor) as 44.1 kHz stereo, scaled to -1..1.
    std::vector<float> record(const std::string& sink, double seconds) const;
    // Our stream's part of `pactl list sink-inputs`, waiting (up to two seconds) until it
    // contains `text`.
    bool sinkInputsShow(const std::string& text) const;

    // Kills the server as a crash would.
    void kill();

    // `pactl list sink-inputs` for our own stream (application.name "Sorvel") only, and the
    // name of the sink it plays on; empty when there is no such stream.
    std::string ourStream() const;
    std::string sinkOfOurStream() const;

    // Keeps `sink` running at a small latency, as a sound card's sink does: an idle null sink
    // renders its silence two seconds ahead, and a stream that joins it is heard only after
    // that. Done for every sink made here; again when the keeping stream followed the default
    // sink elsewhere.
    void keepRunning(const std::string& sink);

private:
    TempFolder folder_;
    pid_t pid_ = -1;
    std::vector<pid_t> keepers_;
    std::string failure_;
    std::optional<std::string> previousServer_;
};

} // namespace sorvel
